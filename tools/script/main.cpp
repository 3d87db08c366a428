// korvana-script: scrambles and unscrambles scripts and checks a game's
// scripts for the faults a run would report.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "backends/RippedTracks.h"
#include "config/Settings.h"
#include "core/FileResolver.h"
#include "core/FileWriting.h"
#include "script/CommandTable.h"
#include "script/CoverageReport.h"
#include "script/MenuTable.h"
#include "script/ScriptCheck.h"
#include "script/ScriptFile.h"
#include "text/Markup.h"

namespace {

namespace fs = std::filesystem;
using namespace korvana;

const char kUsage[] =
    "usage: korvana-script encode FILE.txt [--force]   write FILE.txd\n"
    "       korvana-script decode FILE.txd [--force]   write FILE.txt\n"
    "       korvana-script check DIR [--werror]         list faults as file:line: message\n"
    "                                                   and warnings as file:line:column:\n"
    "                                                   warning: message (failing with --werror)\n"
    "       korvana-script list commands|letters|keys|menu\n"
    "                                                   the command names, the inline letters\n"
    "                                                   of message text, the settings keys\n"
    "                                                   (krv.cfg KEY / krv.ini KEY) the engine knows,\n"
    "                                                   or the pop-up menu's items (NAME, caption,\n"
    "                                                   shortcut and submenu, tab-separated)\n"
    "       korvana-script coverage FILE [GAME] [--html OUT.html]\n"
    "                                                   from a coverage file of korvana\n"
    "                                                   --headless --coverage: per script of\n"
    "                                                   GAME (default: the current folder)\n"
    "                                                   the text lines never shown, conditions\n"
    "                                                   not taken both ways, choice entries\n"
    "                                                   never chosen and labels never reached\n"
    "                                                   as file:line: lines, then totals; with\n"
    "                                                   --html also one page showing each\n"
    "                                                   script line by line in its colours\n"
    "       korvana-script --version | --help\n"
    "The key comes from \"decode.key\" in the script's folder (for check: in DIR),\n"
    "else in the current folder, else the built-in default.\n";

// The key the engine would use when run from the script's game folder.
int32_t KeyFor(const fs::path& folder) {
  std::error_code ec;
  if (fs::exists(folder / "decode.key", ec)) return LoadDecodeKey(GameFiles(folder.string()));
  return LoadDecodeKey(GameFiles());
}

int Convert(const fs::path& in, const std::string& newExtension, bool force) {
  auto bytes = ReadWholeFile(in.string());
  if (!bytes) {
    std::fprintf(stderr, "korvana-script: cannot read %s\n", in.c_str());
    return 1;
  }
  fs::path out = in;
  out.replace_extension(newExtension);
  std::error_code ec;
  if (!force && fs::exists(out, ec)) {
    std::fprintf(stderr, "korvana-script: %s exists; add --force to replace it\n", out.c_str());
    return 1;
  }
  // Line ends are kept as they are: only the bytes between them change.
  std::vector<std::string> lines = SplitLines(*bytes);
  DecodeScriptLines(lines, KeyFor(in.parent_path().empty() ? "." : in.parent_path()));
  std::string result;
  size_t li = 0, pos = 0;
  while (pos < bytes->size() || li < lines.size()) {
    if (li < lines.size()) {
      result += lines[li];
      pos += lines[li].size();
      ++li;
    }
    if (pos < bytes->size()) {
      if ((*bytes)[pos] == '\r' && pos + 1 < bytes->size() && (*bytes)[pos + 1] == '\n') {
        result += "\r\n";
        pos += 2;
      } else {
        result += (*bytes)[pos++];
      }
    }
  }
  if (!WriteFileAtomically(out.string(), result)) {
    std::fprintf(stderr, "korvana-script: cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}

// What the engine understands, for editors' word lists and for checking
// that documentation names it all.
int List(const std::string& what) {
  if (what == "commands") {
    for (const CommandSpec& command : AllCommands())
      std::printf("%.*s\n", static_cast<int>(command.name.size()), command.name.data());
    return 0;
  }
  if (what == "letters") {
    for (char letter : kInlineLetters) std::printf("%c\n", letter);
    return 0;
  }
  if (what == "menu") {
    // The names `--menu` takes, in the menu's order; a submenu is named by
    // its caption in the last column.
    const config::Settings defaults;
    for (const MenuRow& row : MenuTable()) {
      if (row.submenu) continue;
      const MenuRow* parent = nullptr;
      for (const MenuRow& other : MenuTable())
        if (other.submenu && other.name == row.parent) parent = &other;
      std::printf("%s\t%s\t%s\t%s\n", row.name, MenuCaption(row, defaults),
                  row.shortcut ? row.shortcut : "", parent ? parent->caption : "");
    }
    return 0;
  }
  if (what != "keys") {
    std::fprintf(stderr, "korvana-script: list takes commands, letters, keys or menu\n");
    return 2;
  }
  // The keys the configuration reader asks for, read from an empty game
  // once with a krv.ini and once without (some keys are read only then).
  std::error_code ec;
  const fs::path folder = fs::temp_directory_path(ec) / ("korvana-keys-" + std::to_string(getpid()));
  fs::create_directories(folder, ec);
  std::vector<std::pair<std::string, std::string>> keys;
  auto add = [&keys](const char* file, const std::vector<std::string>& names) {
    for (const std::string& name : names)
      if (std::find(keys.begin(), keys.end(), std::pair<std::string, std::string>(file, name)) ==
          keys.end())
        keys.emplace_back(file, name);
  };
  for (bool withSettings : {true, false}) {
    WriteFileAtomically((folder / "krv.cfg").string(), "");
    if (withSettings) WriteFileAtomically((folder / "krv.ini").string(), "Version=1.42\r\n");
    const config::ConfigReadResult read =
        config::ReadConfiguration(config::ConfigLocation{folder.string()}, nullptr);
    add("krv.cfg", read.gameConfigKeys);
    add("krv.ini", read.userSettingsKeys);
    fs::remove(folder / "krv.ini", ec);
  }
  fs::remove_all(folder, ec);
  for (const auto& [file, name] : keys) std::printf("%s %s\n", file.c_str(), name.c_str());
  return keys.empty() ? 1 : 0;
}

// The report on a coverage file: 0, 1 when a script it names cannot be
// read, 2 for a coverage file that cannot be read or bad arguments.
int CoverageCommand(const std::vector<std::string>& args) {
  std::string file, game = ".", html;
  int positional = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--html" && i + 1 < args.size()) {
      html = args[++i];
    } else if (!args[i].empty() && args[i][0] == '-') {
      std::fprintf(stderr, "korvana-script: coverage does not take %s\n", args[i].c_str());
      return 2;
    } else if (positional++ == 0) {
      file = args[i];
    } else if (positional == 2) {
      game = args[i];
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (file.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string error;
  const std::optional<Coverage> coverage = ReadCoverageFile(file, error);
  std::error_code ec;
  if (coverage && !fs::exists(file, ec)) error = file + ": no such file";
  if (!coverage || !error.empty()) {
    std::fprintf(stderr, "korvana-script: %s\n", error.c_str());
    return 2;
  }
  if (!fs::is_directory(game, ec)) {
    std::fprintf(stderr, "korvana-script: %s is not a folder\n", game.c_str());
    return 2;
  }
  const CoverageReport report = BuildCoverageReport(*coverage, game, KeyFor(game));
  std::fputs(CoverageReportText(report).c_str(), stdout);
  if (!html.empty() && !WriteFileAtomically(html, CoverageReportHtml(report))) {
    std::fprintf(stderr, "korvana-script: cannot write %s\n", html.c_str());
    return 1;
  }
  for (const ScriptCoverage& s : report.scripts)
    if (!s.readable) return 1;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h"))
    return std::fputs(kUsage, stdout) < 0;
  if (argc >= 2 && std::string(argv[1]) == "--version")
    return std::printf("korvana-script %s\n", KORVANA_VERSION) < 0;
  if (argc < 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string verb = argv[1];
  const fs::path target = argv[2];
  const bool force = argc > 3 && std::string(argv[3]) == "--force";
  if (verb == "list") return List(argv[2]);
  if (verb == "coverage") return CoverageCommand(std::vector<std::string>(argv + 2, argv + argc));
  if (verb == "encode") return Convert(target, ".txd", force);
  if (verb == "decode") return Convert(target, ".txt", force);
  if (verb == "check") {
    std::error_code ec;
    if (!fs::is_directory(target, ec)) {
      std::fprintf(stderr, "korvana-script: %s is not a folder\n", target.c_str());
      return 2;
    }
    const bool werror = argc > 3 && std::string(argv[3]) == "--werror";
    CheckOptions options;
    options.rippedTracks = [](const std::string& folder) {
      std::vector<int> numbers;
      for (const auto& [number, file] : FindRippedTracks({folder})) numbers.push_back(number);
      return numbers;
    };
    auto faults = CheckScripts(target.string(), KeyFor(target), options);
    bool failed = false;
    for (const ScriptFault& f : faults) {
      if (f.warning && f.column > 0)
        std::printf("%s:%d:%d: warning: %s\n", f.file.c_str(), f.line, f.column, f.message.c_str());
      else if (f.warning)
        std::printf("%s:%d: warning: %s\n", f.file.c_str(), f.line, f.message.c_str());
      else
        std::printf("%s:%d: %s\n", f.file.c_str(), f.line, f.message.c_str());
      failed = failed || !f.warning || werror;
    }
    return failed ? 1 : 0;
  }
  std::fputs(kUsage, stderr);
  return 2;
}
