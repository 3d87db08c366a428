// The reader's settings of a run without a window: the defaults, or the file
// that --settings names, read before the run and never changed by it.
#include <gtest/gtest.h>

#include <filesystem>

#include "GameRun.h"
#include "TempDir.h"
#include "headless/HeadlessSession.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;

TEST(ReaderSettingsRun, TheCommandLineNamesTheFile) {
  const struct {
    std::vector<std::string> args;
    bool ok;
    const char* file;
  } rows[] = {
      {{"--settings", "mine.ini", "game"}, true, "mine.ini"},
      {{"game"}, true, ""},
      {{"game", "--settings"}, false, ""},
  };
  for (const auto& r : rows) {
    HeadlessCommandLine command;
    std::string error;
    EXPECT_EQ(ParseHeadlessCommandLine(r.args, command, error), r.ok) << error;
    if (r.ok) {
      EXPECT_EQ(command.settings, r.file);
    }
  }
}

TEST(ReaderSettingsRun, AFileThatCannotBeReadEndsTheRunBeforeItStarts) {
  const struct {
    const char* what;
    const char* bytes;  // null: no file
    int status;
  } rows[] = {
      {"good", "AutoBaseMs=700\nSkipUnread=on\n", 0},
      {"damaged", "AutoBaseMs=soon\n", 2},
      {"missing", nullptr, 2},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    test::TempDir dir;
    dir.Write("game/krv.cfg", "");
    dir.Write("game/autorun.txt", "_$flg[1]=1\r\n_winexit\r\n");
    if (r.bytes) dir.Write("settings.ini", r.bytes);
    HeadlessCommandLine command;
    command.gameDir = dir.str() + "/game";
    command.settings = dir.str() + "/settings.ini";
    command.dumpFlags = dir.str() + "/flags.txt";
    EXPECT_EQ(RunHeadlessCommand(command), r.status);
    // A run that was refused ran nothing.
    EXPECT_EQ(fs::exists(dir.path() / "flags.txt"), r.status == 0);
    // The file is read, never rewritten or moved aside.
    if (r.bytes) {
      EXPECT_EQ(dir.Read("settings.ini"), r.bytes);
    }
    EXPECT_FALSE(fs::exists(dir.path() / "settings.ini.bak"));
  }
}

TEST(ReaderSettingsRun, TheSettingsGivenSurviveTheGamesConfiguration) {
  EngineSettings settings;
  settings.reader.autoBaseMs = 700;
  settings.reader.autoPerCharMs = 5;
  settings.reader.skipUnread = true;
  test::GameRun run({}, settings);
  run.File("krv.cfg", "");
  run.Script({"_$flg[1]=1"});
  EXPECT_EQ(run.RunPrepared(), 0);
  EXPECT_EQ(run.Flag(1), "1");
  EXPECT_EQ(run.session().engine.Reader(), settings.reader);
}

TEST(ReaderSettingsRun, AutomaticSavesNeedTheOptionAndTheSetting) {
  const struct {
    const char* settings;  // null: the defaults
    bool option;           // --autosave
    bool written;
  } rows[] = {
      {nullptr, false, false},
      {nullptr, true, true},
      {"AutoSaves=off\n", true, false},
      {"AutoSaves=on\n", false, false},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(r.settings ? r.settings : "defaults") + (r.option ? " --autosave" : ""));
    test::TempDir dir;
    dir.Write("game/krv.cfg", "SavePath=.\\\r\n");
    dir.Write("game/autorun.txt",
              "_textwait 0\r\na&\r\n_selmenu 1,1\r\nx\r\n_endsel\r\n_winexit\r\n");
    std::vector<std::string> args = {dir.str() + "/game"};
    if (r.option) args.push_back("--autosave");
    if (r.settings) {
      dir.Write("settings.ini", r.settings);
      args.insert(args.end(), {"--settings", dir.str() + "/settings.ini"});
    }
    HeadlessCommandLine command;
    std::string error;
    ASSERT_TRUE(ParseHeadlessCommandLine(args, command, error)) << error;
    EXPECT_EQ(RunHeadlessCommand(command), 0);
    EXPECT_EQ(fs::exists(dir.path() / "game/data82.hsd"), r.written);
  }
}

}  // namespace
}  // namespace korvana
