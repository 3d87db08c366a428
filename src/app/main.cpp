// The program `korvana`: the desktop window, or with --headless a run
// without one.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "App.h"
#include "headless/HeadlessSession.h"

namespace {

const char kUsage[] =
    "usage: korvana [GAME]\n"
    "       korvana --demo\n"
    "       korvana --headless [options] [GAME]\n"
    "       korvana --version | --help\n"
    "\n"
    "Plays a visual novel written as Shift-JIS text scripts in a 640 x 480 window.\n"
    "GAME is the game's folder (with krv.cfg and autorun.txt), or a script in it\n"
    "(a .txt or .txd file), which the game then starts with. Without GAME the game\n"
    "in the current folder is played; when there is none, a file chooser asks for\n"
    "the game's start script.\n"
    "\n"
    "  --demo              play the demo game that comes with Korvana\n"
    "  --text-out PATH     turn text out on, appending each page's text (UTF-8,\n"
    "                      ruby as 漢字(かな)) as a line to the file or pipe PATH\n"
    "  --warp PLACE        start the story at a label or FILE:LINE, and\n"
    "  --flags FILE        with the flags of a --dump-flags file (as headless, below)\n"
    "  --headless          run the game without a window (options below)\n"
    "  --version           print the version and exit\n"
    "  --help              print this help and exit\n"
    "\n"
    "When the game folder cannot be written (a disc, a system folder), krv.ini and\n"
    "the saves go to $XDG_DATA_HOME/korvana/NAME/ (~/.local/share/korvana/NAME/).\n"
    "\n"
    "The menu's last submenu, 便利機能, holds the reader's comforts: back a page\n"
    "(Backspace, the mouse's back button), forward again (Shift+Backspace, the\n"
    "forward button), auto mode (A), quick save and load in slot 81 (F5, F9), a\n"
    "screenshot (F12), the reader's settings (Ctrl+O), reading aloud (V) and text\n"
    "out to the clipboard, a file or a WebSocket on 127.0.0.1 (T). Automatic saves go to\n"
    "slots 82-84; every save also keeps dataN.png, a small picture of the screen.\n"
    "Screenshots go to $XDG_PICTURES_DIR/korvana/ (~/Pictures/korvana/) as\n"
    "GAME-YYYYMMDD-HHMMSS.png. The reader's settings, shared by every game, are\n"
    "in $XDG_CONFIG_HOME/korvana/settings.ini (~/.config/korvana/settings.ini).\n"
    "\n";

// The demo beside an installed program (PREFIX/share/korvana/demo), else the
// one in the source tree the program was built from.
std::string DemoFolder() {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path program = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path installed = program.parent_path().parent_path() / "share/korvana/demo";
    if (fs::is_directory(installed, ec)) return installed.string();
  }
#ifdef KORVANA_SOURCE_DEMO
  if (fs::is_directory(KORVANA_SOURCE_DEMO, ec)) return KORVANA_SOURCE_DEMO;
#endif
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  bool headless = false;
  bool demo = false;
  std::vector<std::string> rest;
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      std::fputs(korvana::kHeadlessUsage, stdout);
      return 0;
    }
    if (a == "--version") {
      std::printf("korvana %s\n", KORVANA_VERSION);
      return 0;
    }
    if (a == "--headless")
      headless = true;
    else if (a == "--demo")
      demo = true;
    else
      rest.push_back(a);
  }
  if (demo) {
    const std::string folder = DemoFolder();
    if (folder.empty()) {
      std::fputs("korvana: the demo game is not installed\n", stderr);
      return 2;
    }
    rest.push_back(folder);
  }
  if (headless) {
    korvana::HeadlessCommandLine command;
    std::string error;
    if (!korvana::ParseHeadlessCommandLine(rest, command, error)) {
      std::fprintf(stderr, "korvana: %s\n%s", error.c_str(), korvana::kHeadlessUsage);
      return 2;
    }
    return korvana::RunHeadlessCommand(command);
  }
  // `--text-out PATH` of the window (the headless runner reads its own).
  std::string textOut;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] != "--text-out") continue;
    if (i + 1 >= rest.size()) {
      std::fputs(kUsage, stderr);
      return 2;
    }
    textOut = rest[i + 1];
    rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(i),
               rest.begin() + static_cast<std::ptrdiff_t>(i) + 2);
    break;
  }
  // `--warp PLACE` and `--flags FILE` of the window, as the headless runner
  // reads them.
  korvana::StoryStart start;
  for (const char* option : {"--warp", "--flags"}) {
    for (size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] != option) continue;
      if (i + 1 >= rest.size() || rest[i + 1].empty()) {
        std::fprintf(stderr, "korvana: %s needs a value\n", option);
        return 2;
      }
      (rest[i] == "--warp" ? start.warp : start.flagsFile) = rest[i + 1];
      rest.erase(rest.begin() + static_cast<std::ptrdiff_t>(i),
                 rest.begin() + static_cast<std::ptrdiff_t>(i) + 2);
      break;
    }
  }
  if (rest.size() > 1 || (!rest.empty() && rest[0].rfind("-", 0) == 0)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return korvana::RunDesktop(rest.empty() ? std::string() : rest[0], textOut, start);
}
