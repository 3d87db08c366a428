// The save files byte for byte, their readers against their writers, and
// saving and loading as a reader does it: from the menu, through the slot
// dialog, between two lines.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "FieldFiller.h"
#include "GameRun.h"
#include "TestPaths.h"
#include "core/Cp932.h"
#include "save/SaveFiles.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

using test::GameRun;

std::vector<std::string> FileLines(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t end = bytes.find("\r\n", start);
    lines.push_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

using Filler = test::FieldFiller;

TEST(StatusFile, EveryValueRoundTripsThroughItsLine) {
  SavePoint point;
  Filler fill;
  SavePoint::Fields(point, fill);
  const std::string bytes = StatusFileBytes(point);
  const std::vector<std::string> lines = FileLines(bytes);
  ASSERT_EQ(lines.size(), 516u);
  EXPECT_EQ(lines[0], point.prog.ProgChapter);
  EXPECT_EQ(lines[509], point.prog.ProgChapter);
  EXPECT_EQ(lines[514], point.prog.ProgFileName);
  EXPECT_EQ(lines[515], point.layers.AutoRefreshMode);
  EXPECT_EQ(lines[1], std::to_string(point.layers.objectRecords[0].maskMode));
  EXPECT_EQ(lines[76], std::to_string(point.layers.sprites[0].x));
  EXPECT_EQ(lines[248], std::to_string(point.prog.ReturnAddresses[0]));
  EXPECT_EQ(lines[293], std::to_string(point.ClickFlag));
  EXPECT_EQ(lines[327], std::to_string(point.text.TextColor));
  EXPECT_EQ(lines[437], point.switches.DarknessSuppressed ? "1" : "0");
  EXPECT_EQ(lines[440], point.selection.ItemLabels[0]);
  EXPECT_EQ(lines[493], point.ProgArgs[0]);

  SavePoint read;
  ASSERT_TRUE(ParseStatusFile(bytes, read));
  // What the file does not hold keeps the reader's values.
  SavePoint expected = point;
  expected.flags = read.flags;
  expected.log = read.log;
  expected.switches.SaveDisabled = read.switches.SaveDisabled;
  expected.switches.LogDisabled = read.switches.LogDisabled;
  expected.selection.ItemCount = read.selection.ItemCount;
  for (int i = 10; i < SelectionItems::kMaxItems; ++i) {
    expected.selection.ItemLabels[i] = read.selection.ItemLabels[i];
    expected.selection.ItemCommands[i] = read.selection.ItemCommands[i];
  }
  EXPECT_EQ(read, expected);
}

TEST(StatusFile, ByteLinesReadAsZeroOrOneAndDamageIsRefused) {
  SavePoint point;
  point.prog.ProgFileName = "a.txt";
  std::vector<std::string> lines = FileLines(StatusFileBytes(point));
  lines[336] = "255";  // "shown" of object record 0
  auto join = [](const std::vector<std::string>& ls) {
    std::string out;
    for (const std::string& l : ls) out += l + "\r\n";
    return out;
  };
  SavePoint read;
  ASSERT_TRUE(ParseStatusFile(join(lines), read));
  EXPECT_EQ(read.layers.objectRecords[0].shown, 1);

  struct Damage {
    const char* what;
    std::function<void(std::vector<std::string>&)> apply;
  };
  const Damage damages[] = {
      {"a word for a number", [](auto& ls) { ls[100] = "x12"; }},
      {"a number beyond 32 bits", [](auto& ls) { ls[200] = "99999999999"; }},
      {"too few lines", [](auto& ls) { ls.resize(400); }},
      {"binary garbage", [](auto& ls) { ls.assign(10, std::string("\x01\xFF\x80", 3)); }},
  };
  for (const Damage& d : damages) {
    std::vector<std::string> damaged = lines;
    d.apply(damaged);
    SavePoint untouched;
    untouched.prog.ProgChapter = "kept";
    EXPECT_FALSE(ParseStatusFile(join(damaged), untouched)) << d.what;
    EXPECT_EQ(untouched.prog.ProgChapter, "kept") << d.what;
  }
}

TEST(SaveFiles, FlagAndLogFilesByteForByte) {
  std::array<std::string, FlagStore::kGameCount> flags;
  flags[0] = "first";
  flags[5] = std::string(300, 'L');  // longer than the old 256-byte lines
  flags[255] = "last";
  const std::string bytes = FlagFileBytes(flags);
  EXPECT_EQ(bytes.substr(0, 9), "first\r\n\r\n");
  EXPECT_EQ(bytes.size(), 5 + 300 + 4 + 2 * 256u);
  std::array<std::string, FlagStore::kGameCount> read;
  ASSERT_TRUE(ParseFlagFile(bytes, read));
  EXPECT_EQ(read, flags);
  EXPECT_FALSE(ParseFlagFile("only\r\nthree\r\nlines\r\n", read));

  // P = 3 with the newest page at ring entry 1: entries 15, 0 and 1.
  SystemSwitches switches;
  MessageLog log(switches);
  log.LogPages[15] = {"fifteen"};
  log.LogPages[0] = {"zero", "zero again"};
  log.LogPages[1] = {"one"};
  log.book.SaveLogStartPage = 1;
  log.book.SaveLogTotalPage = 3;
  const std::string logBytes = LogFileBytes(log.SavedPages());
  EXPECT_EQ(logBytes, "3\r\n\t0\r\nfifteen\r\n\t1\r\nzero\r\nzero again\r\n\t2\r\none\r\n");
  const auto pages = ParseLogFile(logBytes);
  ASSERT_TRUE(pages.has_value());
  EXPECT_EQ(*pages, log.SavedPages());
  // A file of many pages gives 15; one without its count gives none.
  std::vector<std::vector<std::string>> many(1000, {"line"});
  EXPECT_EQ(ParseLogFile(LogFileBytes(many))->size(), 15u);
  EXPECT_FALSE(ParseLogFile("\t0\r\nx\r\n").has_value());
  EXPECT_FALSE(ParseLogFile("").has_value());
  EXPECT_EQ(ParseLogFile("0\r\n")->size(), 0u);
}

// A game that saves and loads through the menu and the slot dialog.
std::vector<std::string> SaveGame() {
  return {
      "_textwait 0",
      "_$flg[1]=$flg[1]+1",  // counts how often the first line ran
      "_@flg[300]=global",   // a global flag
      "first page&",         // the clear captures the save point
      "_@flg[2]=\"before save\"",
      "second page.",  // 2nd click wait: saved here
      "_@flg[2]=\"after save\"",
      "third line.",  // 3rd click wait
  };
}

TEST(SaveAndLoad, ASaveTakenMidPageResumesThatPage) {
  GameRun saving({.slotChoices = {"7"}, .menu = {{2, "Msave"}}});
  saving.Script(SaveGame());
  EXPECT_EQ(saving.Run(), 0);
  EXPECT_EQ(saving.Events("menu"), std::vector<std::string>{"Msave"});
  EXPECT_EQ(saving.Events("dialog"), std::vector<std::string>{"save\t7"});
  for (const char* ext : {".hfd", ".hsd", ".hld"})
    EXPECT_TRUE(std::filesystem::exists(saving.dir().path() / (std::string("data7") + ext))) << ext;
  EXPECT_TRUE(std::filesystem::exists(saving.dir().path() / "data0.hfd"));

  // A new run in the same folder loads slot 7 at its first click wait.
  HeadlessOptions options{.slotChoices = {"7"}, .menu = {{1, "Mload"}}};
  HeadlessSession loading(options, {}, saving.dir().str());
  EXPECT_EQ(loading.Run(), 0);
  std::vector<std::string> text;
  for (const std::string& l : loading.platform.Transcript())
    if (l.rfind("text\t", 0) == 0) text.push_back(l.substr(5));
  // The first page up to the load, then the saved page from its start: the
  // flags of the save point, the page shown again, the lines after it.
  ASSERT_GE(text.size(), 3u);
  EXPECT_EQ(text[0], "first page");
  EXPECT_EQ(text[1], "\\fsecond page");
  EXPECT_EQ(cp932::ToUtf8(loading.flags.Get(1)), "1");  // the first line ran once
  EXPECT_EQ(cp932::ToUtf8(loading.flags.Get(2)), "after save");
  EXPECT_EQ(cp932::ToUtf8(loading.flags.Get(300)), "global");
}

TEST(SaveAndLoad, RefusedWithoutASavePointAndWhileSavingIsOff) {
  for (const char* start : {"_winsave", "_syssave 1"}) {
    std::vector<std::string> lines = {"_textwait 0", start, "a page&", "_winsave", "_$flg[1]=1"};
    GameRun run({.slotChoices = {"1", "1"}});
    run.Script(lines);
    EXPECT_EQ(run.Run(), 0) << start;
    const std::vector<std::string> messages = run.ErrorMessages();
    ASSERT_FALSE(messages.empty()) << start;
    EXPECT_EQ(messages[0], "システムがセーブ可能な状態ではありません") << start;
    // With saving off the page clear took nothing, so the second save is
    // refused too; without it, the second save writes the slot.
    const bool second = std::string(start) == "_winsave";
    EXPECT_EQ(std::filesystem::exists(run.dir().path() / "data1.hsd"), second) << start;
    EXPECT_EQ(run.Flag(1), "1") << start;
  }
}

// Damage done to a saved slot between the save and the load.
std::function<void(const test::TempDir&)> StatusLine(size_t number, std::string value) {
  return [number, value](const test::TempDir& d) {
    std::vector<std::string> lines = FileLines(d.Read("data1.hsd"));
    lines.at(number - 1) = value;
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    d.Write("data1.hsd", out);
  };
}

std::function<void(const test::TempDir&)> Sparse(std::string name, off_t size) {
  return [name, size](const test::TempDir& d) {
    ASSERT_EQ(::truncate((d.path() / name).c_str(), size), 0);
  };
}

std::function<void(const test::TempDir&)> Replace(std::string name, std::string by) {
  return [name, by](const test::TempDir& d) {
    const std::string path = (d.path() / name).string();
    std::filesystem::remove(path);
    if (by == "fifo") ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
    if (by == "folder") std::filesystem::create_directory(path);
    if (by == "link") std::filesystem::create_symlink("gone.hsd", path);
  };
}

TEST(SaveAndLoad, ADamagedSlotChangesNothing) {
  struct Case {
    const char* what;
    std::function<void(const test::TempDir&)> damage;
  };
  const Case cases[] = {
      {"no log file",
       [](const test::TempDir& d) { std::filesystem::remove(d.path() / "data1.hld"); }},
      {"a truncated status file",
       [](const test::TempDir& d) { d.Write("data1.hsd", d.Read("data1.hsd").substr(0, 900)); }},
      {"a script outside the game",
       [](const test::TempDir& d) {
         std::string s = d.Read("data1.hsd");
         s.replace(s.rfind("autorun.txt"), 11, "../../x.txt");
         d.Write("data1.hsd", s);
       }},
      {"a missing script",
       [](const test::TempDir& d) {
         std::string s = d.Read("data1.hsd");
         s.replace(s.rfind("autorun.txt"), 11, "nothere.txt");
         d.Write("data1.hsd", s);
       }},
      // The interpreter's position must lie inside the script the save
      // names: the largest number would overflow the step to the next line.
      {"the line being run far past the end", StatusLine(287, "2147483647")},
      {"the line being run just past the end", StatusLine(287, "8")},
      {"a negative line", StatusLine(287, "-2")},
      {"a jump past the end", StatusLine(288, "10")},
      {"a return address in use past the end",
       [](const test::TempDir& d) {
         StatusLine(249, "4000")(d);
         StatusLine(290, "0")(d);
       }},
      // Files no game could have written are refused before they are read.
      {"a log file of 2.5 GB", Sparse("data1.hld", 2'500'000'000)},
      {"a status file of 40 MB", Sparse("data1.hsd", 40'000'000)},
      {"a flag file of 20 MB", Sparse("data1.hfd", 20'000'000)},
      {"a status file that is a FIFO", Replace("data1.hsd", "fifo")},
      {"a status file that is a folder", Replace("data1.hsd", "folder")},
      {"a status file that is a dangling link", Replace("data1.hsd", "link")},
      {"a flag file that is a FIFO", Replace("data1.hfd", "fifo")},
  };
  for (const Case& c : cases) {
    GameRun run({.slotChoices = {"1", "1"}, .menu = {{2, "Msave"}, {3, "Mload"}}});
    run.Script(SaveGame());
    // The damage happens between the save and the load.
    run.session().platform.onClickWait = [&, n = 0]() mutable {
      if (++n == 3) c.damage(run.dir());
    };
    EXPECT_EQ(run.Run(), 0) << c.what;
    const std::vector<std::string> messages = run.ErrorMessages();
    ASSERT_FALSE(messages.empty()) << c.what;
    EXPECT_EQ(messages.back(), "ステータスデータが読めません．．．") << c.what;
    EXPECT_EQ(run.Flag(2), "after save") << c.what;  // the story went on where it was
    EXPECT_EQ(run.probe().Prog().ProgExecLine, 8) << c.what;
  }
}

TEST(SaveAndLoad, GlobalDataFollowsTheSettings) {
  struct Case {
    bool globalFlags;
    std::optional<int> textMaxIndex;
  };
  for (const Case& c : {Case{true, 4}, Case{false, std::nullopt}}) {
    EngineSettings settings;
    settings.globalFlagSave = c.globalFlags;
    settings.textMaxIndex = c.textMaxIndex;
    GameRun first({}, settings);
    first.Script({"_textwait 0", "_@flg[400]=kept", "~00000003read.", "_winexit"});
    EXPECT_EQ(first.Run(), 0);
    EXPECT_EQ(std::filesystem::exists(first.dir().path() / "data0.hfd"), c.globalFlags);
    EXPECT_EQ(std::filesystem::exists(first.dir().path() / "textid.dat"),
              c.textMaxIndex.has_value());
    if (c.textMaxIndex) EXPECT_EQ(first.dir().Read("textid.dat"), std::string("\x08\0\0\0", 4));

    // The next start reads them back, or not.
    first.Script({"_@flg[1]=@flg[400]"});
    HeadlessSession second({}, settings, first.dir().str());
    EXPECT_EQ(second.Run(), 0);
    EXPECT_EQ(cp932::ToUtf8(second.flags.Get(1)), c.globalFlags ? "kept" : "0");
  }
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

TEST(SaveAndLoad, TheDemoRemembersTheWayAcrossASave) {
  // Saved in the town after the first choice; loaded in a new run, the album
  // knows the town was visited, so its photo can be chosen.
  test::TempDir dir;
  std::filesystem::copy(std::string(KORVANA_SOURCE_DIR) + "/games/demo", dir.path(),
                        std::filesystem::copy_options::recursive);
  HeadlessSession saving(
      {.maxClicks = 300, .choices = {1, 1, 3}, .slotChoices = {"3"}, .menu = {{25, "Msave"}}}, {},
      dir.str());
  ASSERT_TRUE(saving.Prepare());
  EXPECT_EQ(saving.Run(), 0);
  ASSERT_TRUE(std::filesystem::exists(dir.path() / "data3.hsd"));

  HeadlessSession loading(
      {.maxClicks = 300, .choices = {1, 3}, .slotChoices = {"3"}, .menu = {{1, "Mload"}}}, {},
      dir.str());
  ASSERT_TRUE(loading.Prepare());
  EXPECT_EQ(loading.Run(), 0);
  EXPECT_EQ(loading.endReason, "exit");
  std::vector<std::string> choices;
  for (const std::string& l : loading.platform.Transcript())
    if (l.rfind("choice\t", 0) == 0) choices.push_back(l.substr(7, l.find('\t', 7) - 7));
  EXPECT_EQ(choices, (std::vector<std::string>{"button", "grid"}));
  EXPECT_EQ(cp932::ToUtf8(loading.flags.Get(20)), "2");
  // The town's endless walk music was playing when the game was saved: the
  // load stops the morning tune and plays it again.
  std::vector<std::string> afterLoad;
  bool loaded = false;
  for (const std::string& l : loading.platform.Transcript()) {
    loaded = loaded || l == "dialog\tload\t3";
    if (loaded && l.rfind("sound\tmusic\t", 0) == 0) afterLoad.push_back(l.substr(12));
  }
  ASSERT_GE(afterLoad.size(), 2u);
  EXPECT_EQ(afterLoad[0], "stop\tbgm01.mid\t0");
  EXPECT_EQ(afterLoad[1], "play\tbgm02.mid\t0");
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

TEST(TitleReturn, ResetsTheGameKeepsTheInstallationAndStartsAtTheFirstLine) {
  for (const char* answer : {"ok", "cancel"}) {
    GameRun run({.maxLines = 100, .answers = {answer}, .menu = {{1, "Mtitle"}}});
    run.Script({
        "_$flg[1]=$flg[1]+1",  // the first line
        "_$flg[300]=$flg[300]+1",
        "_($flg[300]==1), _$flg[6]=7",
        "_textwait 0",
        "page.",
        "_$flg[2]=$flg[2]+1",
    });
    EXPECT_EQ(run.Run(), 0) << answer;
    const bool ok = std::string(answer) == "ok";
    EXPECT_EQ(run.Flag(1), "1") << answer;               // after the title too: its first line ran
    EXPECT_EQ(run.Flag(300), ok ? "2" : "1") << answer;  // kept across the title
    EXPECT_EQ(run.Flag(6), ok ? "0" : "7") << answer;    // game flags start again
    EXPECT_EQ(run.Flag(2), "1") << answer;
    EXPECT_EQ(run.Events("box")[0], std::string("確認\tタイトルに戻りますか？\t") + answer);
  }
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

TEST(SlotDialog, LabelsLineUpTheirDates) {
  test::TempDir dir;
  const GameFiles game(dir.str());
  const SaveFolder folder(game, "");
  dir.Write("data1.hsd", "Short title  \r\nrest\r\n");
  std::string longTitle;
  for (int i = 0; i < 40; ++i) longTitle += test::Sjis("長");
  dir.Write("data12.hsd", longTitle + "\r\n");
  const std::vector<SlotEntry> slots = SlotLabels(folder);
  ASSERT_EQ(slots.size(), 80u);
  EXPECT_TRUE(slots[0].used);
  EXPECT_EQ(slots[0].label.substr(0, 3 + 11 + 2), "1  Short title  ");
  EXPECT_EQ(slots[0].label.size(), 3 + 64 + 18u);
  EXPECT_EQ(slots[0].label[3 + 64], '(');
  // Sixty-four bytes of a double-byte title: 32 characters.
  EXPECT_EQ(slots[11].label.substr(0, 3 + 64), "12 " + longTitle.substr(0, 64));
  EXPECT_EQ(slots[11].label.size(), 3 + 64 + 18u);
  EXPECT_FALSE(slots[6].used);
  EXPECT_EQ(cp932::ToUtf8(slots[6].label), "7  データがありません");
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

TEST(SaveAndLoad, ALoadRebuildsTheSceneWithItsMasks) {
  GameRun run({.maxLines = 200, .slotChoices = {"1", "1"}});
  Picture object(40, 30, 0xCC8844);
  object.FillRect(0, 0, 40, 10, 0x00FF00);  // the colour key: see-through
  ASSERT_TRUE(WritePng(Picture(640, 480, 0x336699), run.dir().str() + "/bg.png"));
  ASSERT_TRUE(WritePng(Picture(640, 480, 0x111111), run.dir().str() + "/other.png"));
  ASSERT_TRUE(WritePng(object, run.dir().str() + "/obj.png"));
  ASSERT_TRUE(WritePng(Picture(32, 32, 0xFF00FF), run.dir().str() + "/spr.png"));
  run.Script({
      "_textwait 0",
      "_sysdark 1",
      "_bgload bg.png",
      "_objput 0,obj.png,#00FF00,100,50",
      "_sprload spr.png,16,16,#NONE",
      "_sprput 3,300,300",
      "_refresh",
      "page&",  // the clear takes the save point
      "_($flg[300]==1), _goto :done",
      "_$flg[300]=1",
      "_winsave",
      "_bgload other.png",
      "_objclear",
      "_sprclear",
      "_refresh",
      "_winload",
      ":done",
      "_$flg[1]=1",
  });
  Picture saved;
  run.session().platform.onClickWait = [&] {
    if (saved.Empty()) saved = run.probe().WorkScreen();
  };
  EXPECT_EQ(run.Run(), 0);
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  EXPECT_EQ(run.Flag(1), "1");
  EXPECT_EQ(probe.WorkScreen().Pixel(110, 52), 0x336699u);  // through the key
  EXPECT_EQ(probe.WorkScreen().Pixel(110, 70), 0xCC8844u);
  EXPECT_EQ(probe.WorkScreen().Pixels(), saved.Pixels());
  // The sprite sheet is loaded again and the sprite stands where it stood.
  EXPECT_EQ(probe.Layers().SpriteSheet.Width(), 32);
  EXPECT_EQ(probe.Layers().SpriteSheet.Pixel(5, 5), 0xFF00FFu);
  EXPECT_TRUE(probe.Layers().state.sprites[3].visible);
  EXPECT_EQ(probe.Layers().state.sprites[3].x, 300);
  EXPECT_EQ(run.ErrorMessages(), std::vector<std::string>{});
}

}  // namespace
}  // namespace korvana
