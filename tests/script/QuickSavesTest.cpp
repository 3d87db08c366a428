// Quick save and load (F5, F9), the automatic saves at choices and at the
// end, and the picture every save keeps: what the reader finds in the save
// folder and on the screen, and that a game's own files never change.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "GameRun.h"
#include "PngBytes.h"
#include "core/FileResolver.h"
#include "graphics/Picture.h"
#include "save/SaveFiles.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;
using test::GameRun;
using Lines = std::vector<std::string>;

const char* const kSaveFiles[] = {".hfd", ".hsd", ".hld", ".png"};

std::string SlotFile(const GameRun& run, int slot, const char* ext) {
  return run.dir().str() + "/data" + std::to_string(slot) + ext;
}

bool SlotExists(const GameRun& run, int slot) {
  return fs::exists(SlotFile(run, slot, ".hsd"));
}

// Counts its runs in a global flag, which a load leaves alone: a line that
// runs again after a load counts twice.
Lines CountingGame() {
  return {
      "_textwait 0",
      "!the title",
      "_$flg[1]=5",
      "first page&",  // the clear takes the save point
      "_$flg[300]=$flg[300]+1",
      "second page.",  // wait 2
      "third page.",   // wait 3
  };
}

// Four choices, each with a page after it, then the end with saving.
Lines ChoosingGame(bool exitWithSaving = false) {
  Lines lines = {"_textwait 0", "!choosing", "first page&"};
  // In turn at two places: the headless pointer must move to choose again.
  for (int i = 0; i < 4; ++i)
    for (const char* l :
         {i % 2 ? "_selmenu 200,200" : "_selmenu 10,10", "a", "b", "_endsel", "a page&"})
      lines.push_back(l);
  if (exitWithSaving) lines.push_back("_winexit");
  return lines;
}

TEST(QuickSaves, AQuickSaveIsTheSlotSaveOfTheSameMoment) {
  // Both are taken at the same wait, so only the slot's number differs.
  GameRun run({.slotChoices = {"1"}, .menu = {{2, "Xqsave"}, {2, "Msave"}}});
  run.Script(CountingGame());
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Events("qsave"), Lines{"81"});
  EXPECT_EQ(run.ErrorMessages(), Lines{});
  for (const char* ext : kSaveFiles) {
    const std::optional<std::string> quick = ReadWholeFile(SlotFile(run, 81, ext));
    ASSERT_TRUE(quick) << ext;
    EXPECT_EQ(quick, ReadWholeFile(SlotFile(run, 1, ext))) << ext;
  }
}

TEST(QuickSaves, QuickLoadTakesSlot81OrOnlySaysThereIsNone) {
  const struct {
    const char* what;
    std::vector<HeadlessOptions::MenuChoice> menu;
    Lines notes, loads;
    const char* runsAfterThePage;  // flag 300: once, or again after the load
  } rows[] = {
      {"with a quick save", {{2, "Xqsave"}, {3, "Xqload"}}, {}, {"81"}, "2"},
      {"without one", {{3, "Xqload"}}, {"クイックセーブがありません"}, {}, "1"},
  };
  for (const auto& r : rows) {
    GameRun run({.menu = r.menu});
    run.Script(CountingGame());
    EXPECT_EQ(run.Run(), 0) << r.what;
    EXPECT_EQ(run.Events("note"), r.notes) << r.what;
    EXPECT_EQ(run.Events("qload"), r.loads) << r.what;
    EXPECT_EQ(run.Events("dialog"), Lines{}) << r.what;  // nothing is asked
    EXPECT_EQ(run.Events("box"), Lines{}) << r.what;
    EXPECT_EQ(run.Flag(300), r.runsAfterThePage) << r.what;
    EXPECT_EQ(run.Flag(1), "5") << r.what;
  }
}

TEST(QuickSaves, TheQuickItemsAreGreyedWithSaveAndLoad) {
  const struct {
    const char* what;
    Lines script;
    const char* item;
    const char* event;
  } rows[] = {
      {"saving before the first save point",
       {"_textwait 0", "one line.", "another."},
       "Xqsave",
       "Xqsave\tdisabled"},
      {"saving disabled by the game",
       {"_textwait 0", "_syssave 1", "a&", "b."},
       "Xqsave",
       "Xqsave\tdisabled"},
      {"saving at a wait after a page", {"_textwait 0", "a&", "b."}, "Xqsave", "Xqsave"},
      {"saving at a choice",
       {"_textwait 0", "a&", "_selmenu 1,1", "x", "_endsel"},
       "Xqsave",
       "Xqsave"},
      {"loading at a choice",
       {"_textwait 0", "a&", "_selmenu 1,1", "x", "_endsel"},
       "Xqload",
       "Xqload\tdisabled"},
      {"loading at a wait", {"_textwait 0", "a&", "b."}, "Xqload", "Xqload"},
  };
  for (const auto& r : rows) {
    GameRun run({.menu = {{2, r.item}}});
    run.Script(r.script);
    EXPECT_EQ(run.Run(), 0) << r.what;
    EXPECT_EQ(run.Events("menu"), Lines{r.event}) << r.what;
  }
}

TEST(AutoSaves, TheyTakeTurnsAtEveryChoiceAndAtTheEnd) {
  const struct {
    const char* what;
    std::map<int, int64_t> before;  // slot -> age of its status file, seconds
    Lines written;
  } rows[] = {
      {"an empty folder", {}, {"82", "83", "84", "82", "83"}},
      {"a missing one first", {{82, 100}, {84, 50}}, {"83", "82", "84", "83", "82"}},
      {"the oldest first", {{82, 100}, {83, 300}, {84, 200}}, {"83", "84", "82", "83", "84"}},
  };
  for (const auto& r : rows) {
    GameRun run({.answers = {"ok"}, .autoSaves = true});
    run.Script(ChoosingGame(true));
    run.File("krv.cfg", "SavePath=.\\\r\n");
    for (const auto& [slot, age] : r.before) {
      run.File("data" + std::to_string(slot) + ".hsd", "older\r\n");
      const fs::path path = SlotFile(run, slot, ".hsd");
      fs::last_write_time(path, fs::last_write_time(path) - std::chrono::seconds(age));
    }
    EXPECT_EQ(run.RunPrepared(), 0) << r.what;
    EXPECT_EQ(run.Events("autosave"), r.written) << r.what;
    EXPECT_EQ(run.ErrorMessages(), Lines{}) << r.what;
    for (int slot = kFirstAutoSlot; slot <= kLastSlot; ++slot)
      for (const char* ext : kSaveFiles)
        EXPECT_TRUE(fs::exists(SlotFile(run, slot, ext))) << r.what << " " << slot << ext;
  }
}

TEST(AutoSaves, NoneWhereTheyAreNotWanted) {
  const struct {
    const char* what;
    bool asked;  // --autosave
    bool setting;
    Lines script;
  } rows[] = {
      {"a headless run that did not ask", false, true, ChoosingGame(true)},
      {"the reader's setting off", true, false, ChoosingGame(true)},
      {"saving disabled",
       true,
       true,
       {"_textwait 0", "_syssave 1", "a&", "_selmenu 1,1", "x", "_endsel", "_winexit"}},
      {"before the first save point",
       true,
       true,
       {"_textwait 0", "_selmenu 1,1", "x", "_endsel", "_winexit"}},
  };
  for (const auto& r : rows) {
    GameRun run({.answers = {"ok"}, .autoSaves = r.asked});
    run.File("krv.cfg", "SavePath=.\\\r\n");
    run.Script(r.script);
    ASSERT_TRUE(run.session().Prepare()) << r.what;
    config::ReaderSettings reader = run.session().engine.Reader();
    reader.autoSaves = r.setting;
    run.session().engine.SetReaderSettings(reader);
    EXPECT_EQ(run.Run(), 0) << r.what;
    EXPECT_EQ(run.Events("autosave"), Lines{}) << r.what;
    EXPECT_EQ(run.Events("note"), Lines{}) << r.what;
    for (int slot = kFirstAutoSlot; slot <= kLastSlot; ++slot)
      EXPECT_FALSE(SlotExists(run, slot)) << r.what << " " << slot;
  }
}

TEST(AutoSaves, TheGlobalDataKeepsItsOwnMoments) {
  // The run stops at the page after the choice: the automatic save is
  // there, the global flags and the read-text record are not yet.
  GameRun run({.maxClicks = 2, .autoSaves = true});
  run.File("krv.cfg", "SavePath=.\\\r\nTextMaxIndex=8\r\n");
  run.Script({"_textwait 0", "_@flg[300]=global", "~00000001first page&", "_selmenu 10,10", "a",
              "_endsel", "~00000002second page&", "third page&"});
  EXPECT_EQ(run.RunPrepared(), 0);
  EXPECT_EQ(run.Events("autosave"), Lines{"82"});
  EXPECT_TRUE(SlotExists(run, 82));
  for (const char* name : {"data0.hfd", "textid.dat"})
    EXPECT_FALSE(fs::exists(run.dir().path() / name)) << name;
}

TEST(AutoSaves, AFailureIsOneNoteNotABoxAtEveryChoice) {
  EngineSettings settings;
  settings.savePath = "missing\\";
  GameRun run({.autoSaves = true}, settings);
  run.Script(ChoosingGame());
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.Events("autosave"), Lines{});
  EXPECT_EQ(run.Events("box"), Lines{});
  const Lines notes = run.Events("note");
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].rfind("オートセーブできませんでした", 0), 0u) << notes[0];
}

// What a game wrote by its own rules: the same bytes whether the reader
// used the quick and automatic saves or not.
TEST(QuickSaves, TheGamesOwnFilesStayByteForByte) {
  const Lines script = {"_textwait 0",
                        "!kept",
                        "~00000001first page&",
                        "_@flg[300]=global",
                        "~00000002second page.",
                        "_selmenu 10,10",
                        "a",
                        "_endsel",
                        "~00000003third page.",
                        "_winexit"};
  const char* const kept[] = {"krv.ini",   "data0.hfd", "textid.dat",
                              "data1.hfd", "data1.hsd", "data1.hld"};
  std::map<std::string, std::optional<std::string>> files[2];
  for (int withComforts = 0; withComforts < 2; ++withComforts) {
    HeadlessOptions options{.answers = {"ok"}, .slotChoices = {"1"}, .menu = {{2, "Msave"}}};
    if (withComforts) {
      options.menu.push_back({2, "Xqsave"});
      options.menu.push_back({4, "Xqsave"});
      options.autoSaves = true;
    }
    GameRun run(options);
    run.File("krv.cfg", "SavePath=.\\\r\nTextMaxIndex=8\r\n");
    run.Script(script);
    EXPECT_EQ(run.RunPrepared(), 0);
    EXPECT_EQ(run.Events("qsave").size(), withComforts ? 2u : 0u);
    EXPECT_EQ(run.Events("autosave").size(), withComforts ? 2u : 0u);
    for (const char* name : kept)
      files[withComforts][name] = ReadWholeFile(run.dir().str() + "/" + name);
  }
  for (const char* name : kept) {
    EXPECT_TRUE(files[0][name]) << name;
    EXPECT_EQ(files[0][name], files[1][name]) << name;
  }
}

TEST(SavePictures, TheScreenAtTheSavePointShrunkBesideTheSave) {
  EngineSettings settings;
  settings.backgroundDarkness = false;
  GameRun run({.slotChoices = {"1"}, .menu = {{2, "Msave"}}}, settings);
  // Red on the left; on the right black and white columns, which average
  // to the grey between.
  Picture background(640, 480, 0xFF0000);
  for (int x = 320; x < 640; ++x) background.FillRect(x, 0, 1, 480, x % 2 ? 0xFFFFFF : 0);
  ASSERT_TRUE(WritePng(background, run.dir().str() + "/bg.png"));
  run.Script({"_textwait 0", "_bgload bg.png", "_refresh", "first page&", "second page.",
              "_bgload bg.png", "third page."});
  EXPECT_EQ(run.Run(), 0);

  const std::optional<std::string> bytes = ReadWholeFile(SlotFile(run, 1, ".png"));
  ASSERT_TRUE(bytes);
  const Picture saved = test::ReadPng(*bytes);
  EXPECT_EQ(saved.Width(), kThumbnailWidth);
  EXPECT_EQ(saved.Height(), kThumbnailHeight);
  const struct {
    int x, y;
    uint32_t colour;
  } pixels[] = {{0, 0, 0xFF0000}, {79, 0, 0xFF0000}, {80, 0, 0x808080}, {159, 0, 0x808080}};
  for (const auto& p : pixels) EXPECT_EQ(saved.Pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
}

}  // namespace
}  // namespace korvana
