// The whole engine on generated scripts, headless: every command of the
// table with arguments drawn from the values that matter (screen edges, the
// ends of int, the game's pictures, keywords) or from raw bytes, text lines
// with inline commands and ruby, labels, blocks and their end markers, and
// the player's menu items, answers and slots at the click waits. A run ends
// on its line, click, pump or virtual-time budget; never a fault.
//
// The game folder is made once; the engine is built per run, so no run sees
// another's state (the save folder is emptied before each).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "BlockCache.h"
#include "FuzzFolder.h"
#include "core/FileResolver.h"
#include "core/FileWriting.h"
#include "graphics/Picture.h"
#include "headless/HeadlessSession.h"
#include "script/CommandTable.h"
#include "script/MenuTable.h"

using namespace korvana;
using korvana::fuzz::Check;
using korvana::fuzz::FuzzFolder;

namespace {

constexpr size_t kMaxScriptLines = 48;

// The files every run's script can name: pictures (one keyed, one damaged),
// two frames of numbered pictures, a second script, the save folder, and
// FIFOs, links and empty files under the names of pictures, sounds, movies,
// scripts and a CD track.
const std::string& Game() {
  const std::string& f = FuzzFolder();
  static const bool made = [&f] {
    Picture keyed(16, 16, 0x336699);
    keyed.FillRect(0, 0, 4, 4, 0xFF00FF);
    Check(WritePng(keyed, f + "/pic.png"));
    Check(WritePng(Picture(640, 480, 0x202020), f + "/bg.png"));
    for (const char* frame : {"/mv001.png", "/mv002.png"})
      Check(WritePng(Picture(16, 8, 0x808080), f + frame));
    Check(WriteFileAtomically(f + "/sub.txt", ":s\r\n_$flg[2]=2\r\n_return\r\n"));
    Check(WriteFileAtomically(f + "/junk.png", "\x89PNG\r\n\x1a\nnot a picture"));
    std::filesystem::create_directory(f + "/save");
    korvana::fuzz::AddHostileFiles(f);
    return true;
  }();
  (void)made;
  return f;
}

// Script text is CP932: "あいう" and "あ" below are written as its bytes.
const char* const kInts[] = {"0",        "1",       "-1",        "2",          "3",
                             "8",        "16",      "100",       "319",        "639",
                             "640",      "479",     "480",       "2147483647", "-2147483648",
                             "65536",    "$flg[1]", "$flg[1]+1", "$sys[15]",   "$sys[17]",
                             "$sys[30]", "1/0",     "(2",        "x"};
const char* const kTexts[] = {"pic.png",
                              "bg.png",
                              "mv.png",
                              "missing.png",
                              "junk.png",
                              "#NONE",
                              "#TOP_LEFT",
                              "#FF00FF",
                              "#12345",
                              "#BLEND",
                              "#COPY",
                              "#OVERLAY",
                              "#WIPE0",
                              "#BLEND0",
                              "#SCROLL1",
                              "#TILE2",
                              "#LINE1",
                              "1",
                              "0",
                              "",
                              ":a",
                              ":b",
                              "sub.txt",
                              "\"quoted, text\"",
                              "%DATA_DRIVE%pic.png",
                              "\x82\xa0\x82\xa2\x82\xa4",
                              "$flg[1]",
                              "fifo.png",
                              "fifo.wav",
                              "fifo.mid",
                              "fifo.avi",
                              "fifo.txt",
                              "link.png",
                              "link.wav",
                              "nowhere.wav",
                              "loop.png",
                              "empty.png",
                              "empty.wav",
                              "empty.mid",
                              "empty.avi",
                              "empty.txt"};
const char* const kColours[] = {"#FFFFFF", "#000000", "#FF8000", "#12345G", "", "x"};
const char* const kReals[] = {"1.0", "1.42", "9.99", "x", ""};
const char* const kTextPieces[] = {"\x82\xa0",
                                   "abc",
                                   ".",
                                   "|",
                                   "^",
                                   "&",
                                   "%",
                                   "/",
                                   "(",
                                   ")",
                                   "(base)ruby)",
                                   "[$flg[1],3]",
                                   "<S4>",
                                   "<X600>",
                                   "<Y440>",
                                   "<K2>",
                                   "<T-3>",
                                   "<W0>",
                                   "<Q10>",
                                   "<C#FF0000>",
                                   "<D0>",
                                   "<P0>",
                                   "<E1>",
                                   "<I10>",
                                   "<R100>",
                                   "<U0>",
                                   "<F5>",
                                   "<A\"pic.png\">",
                                   "<V\"s.wav\">",
                                   "<V\"fifo.wav\">",
                                   "<V\"empty.wav\">",
                                   "<L-1>",
                                   "<M2147483647>"};
const char* const kAnswers[] = {"yes", "no", "ok", "cancel"};

template <size_t N>
std::string Pick(FuzzedDataProvider& in, const char* const (&pool)[N]) {
  return pool[in.ConsumeIntegralInRange<size_t>(0, N - 1)];
}

// Any item of the pop-up menu (not a submenu), so that a new row is
// fuzzed without an edit here.
std::string AnyMenuItem(FuzzedDataProvider& in) {
  static const std::vector<std::string> items = [] {
    std::vector<std::string> names;
    for (const MenuRow& row : MenuTable())
      if (!row.submenu) names.push_back(row.name);
    return names;
  }();
  return items[in.ConsumeIntegralInRange<size_t>(0, items.size() - 1)];
}

// Raw bytes for a line, without the line breaks that would split it.
std::string RawText(FuzzedDataProvider& in, size_t most) {
  std::string s = in.ConsumeRandomLengthString(most);
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  return s;
}

std::string Argument(FuzzedDataProvider& in, ArgKind kind) {
  if (in.ConsumeIntegralInRange(0, 7) == 0) return RawText(in, 12);
  switch (kind) {
    case ArgKind::Int:
      return Pick(in, kInts);
    case ArgKind::Colour:
      return Pick(in, kColours);
    case ArgKind::Real:
      return Pick(in, kReals);
    case ArgKind::Text:
      break;
  }
  return Pick(in, kTexts);
}

std::string TextLine(FuzzedDataProvider& in) {
  std::string line;
  for (int n = in.ConsumeIntegralInRange(1, 6); n > 0; --n)
    line += in.ConsumeBool() ? Pick(in, kTextPieces) : RawText(in, 6);
  return line;
}

std::string CommandLine(FuzzedDataProvider& in, const CommandSpec& spec) {
  std::string line(spec.name);
  const size_t count = in.ConsumeIntegralInRange<size_t>(0, spec.kinds.size());
  for (size_t k = 0; k < count; ++k) line += (k == 0 ? " " : ",") + Argument(in, spec.Kind(k));
  return line;
}

// What follows a command that opens a block: its lines and, usually, its end.
void BlockBody(FuzzedDataProvider& in, std::string_view name, std::vector<std::string>& lines) {
  const char* end = nullptr;
  if (name == "_scroll") {
    for (int n = in.ConsumeIntegralInRange(0, 3); n > 0; --n)
      lines.push_back(in.ConsumeBool() ? "|" + Pick(in, kInts) : Pick(in, kTexts));
    end = "_endscroll";
  } else if (name == "_selmenu" || name == "_selbutton" || name == "_selcgmode") {
    for (int n = in.ConsumeIntegralInRange(0, 3); n > 0; --n)
      lines.push_back(Pick(in, kInts) + "," + Pick(in, kInts) + ",_$flg[3]=" + Pick(in, kInts));
    end = "_endsel";
  } else if (name == "_then") {
    end = "_endthen";
  } else if (name == "_else") {
    end = "_endelse";
  } else if (name == "_branch") {
    end = "_endbranch";
  }
  if (end && in.ConsumeIntegralInRange(0, 7) != 0) lines.push_back(end);
}

// A command of the table. The slot dialogs read the files of all 80 slots
// each time they open: their commands come a quarter as often as the others.
const CommandSpec& AnyCommand(FuzzedDataProvider& in) {
  const std::span<const CommandSpec> commands = AllCommands();
  for (;;) {
    const CommandSpec& spec = commands[in.ConsumeIntegralInRange<size_t>(0, commands.size() - 1)];
    const bool dialog = spec.name == "_winsave" || spec.name == "_winload";
    if (!dialog || in.ConsumeIntegralInRange(0, 3) == 0) return spec;
  }
}

std::vector<std::string> Script(FuzzedDataProvider& in) {
  std::vector<std::string> lines;
  if (in.ConsumeBool()) lines.push_back("_textwait 0");
  while (lines.size() < kMaxScriptLines && in.remaining_bytes() > 0) {
    switch (in.ConsumeIntegralInRange(0, 9)) {
      case 0:
        lines.push_back(TextLine(in));
        break;
      case 1:
        lines.push_back(in.ConsumeBool() ? ":a" : ":b");
        break;
      case 2:
        lines.push_back("_$flg[" + Pick(in, kInts) + "]=" + Pick(in, kInts));
        break;
      case 3:
        lines.push_back("_(" + Pick(in, kInts) + "), " + CommandLine(in, AnyCommand(in)));
        break;
      case 4:
        lines.push_back(RawText(in, 40));
        break;
      default: {
        const CommandSpec& spec = AnyCommand(in);
        lines.push_back(CommandLine(in, spec));
        BlockBody(in, spec.name, lines);
        break;
      }
    }
  }
  return lines;
}

HeadlessOptions Options(FuzzedDataProvider& in) {
  HeadlessOptions o;
  o.maxLines = 100;
  o.maxClicks = 24;
  o.maxMs = 30'000;
  o.maxPumps = 400;
  // The slot dialogs read the files of all slots: a menu in every fourth run.
  for (int n = in.ConsumeIntegralInRange(0, 7) - 5; n > 0; --n)
    o.menu.push_back({in.ConsumeIntegralInRange<int64_t>(0, 6), AnyMenuItem(in)});
  for (int n = in.ConsumeIntegralInRange(0, 2); n > 0; --n)
    o.slotChoices.push_back(in.ConsumeBool() ? "1" : "cancel");
  for (int n = in.ConsumeIntegralInRange(0, 2); n > 0; --n) o.answers.push_back(Pick(in, kAnswers));
  if (in.ConsumeBool()) o.inputs.push_back("abc");
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& folder = Game();
  FuzzedDataProvider in(data, size);
  HeadlessOptions options = Options(in);
  std::string script;
  for (const std::string& line : Script(in)) script += line + "\r\n";
  Check(WriteFileAtomically(folder + "/autorun.txt", script, {.sync = false}));
  for (const auto& entry : std::filesystem::directory_iterator(folder + "/save"))
    std::filesystem::remove(entry.path());

  EngineSettings settings;
  settings.savePath = "save/";
  // Darkening runs over every pixel at each refresh and no input steers it:
  // off, until a run chooses the darkness menu item.
  settings.backgroundDarkness = false;
  HeadlessSession session(std::move(options), std::move(settings), folder);
  const int status = session.Run();
  Check(status >= 0 && status <= HeadlessSession::kStopped);
  return 0;
}
