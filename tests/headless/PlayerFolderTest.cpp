// Where a game is found from what the player names, and where the player's
// files go when the game's folder cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "GameRun.h"
#include "TempDir.h"
#include "core/Cp932.h"
#include "script/Startup.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;

TEST(LocateGame, FolderOrScriptInIt) {
  test::TempDir dir;
  dir.Write("autorun.txt", "x");
  dir.Write("Chapter2.TXD", "x");
  dir.Write("bg.png", "x");
  const std::string root = dir.str();
  struct Case {
    std::string named;
    bool found;
    std::string script;  // as the engine gets it
  } cases[] = {
      {root, true, ""},
      {root + "/", true, ""},
      {root + "/autorun.txt", true, "autorun.txt"},
      {root + "/Chapter2.TXD", true, "Chapter2.TXD"},
      {root + "/bg.png", false, ""},
      {root + "/missing.txt", false, ""},
  };
  for (const Case& c : cases) {
    const std::optional<GameLocation> game = LocateGame(c.named);
    ASSERT_EQ(game.has_value(), c.found) << c.named;
    if (!game) continue;
    EXPECT_EQ(fs::path(game->folder), fs::path(root)) << c.named;
    EXPECT_EQ(game->startScript, c.script) << c.named;
  }
}

TEST(LocateGame, NamedScriptStartsTheGame) {
  test::TempDir dir;
  dir.Write("krv.cfg", "SavePath=.\\\r\n");
  dir.Write("autorun.txt", test::ScriptText({"_@flg[1]=autorun"}));
  dir.Write("second.txt", test::ScriptText({"_@flg[1]=second"}));
  const std::optional<GameLocation> game = LocateGame(dir.str() + "/second.txt");
  ASSERT_TRUE(game);
  HeadlessSession session({}, {}, game->folder);
  session.startScript = game->startScript;
  ASSERT_TRUE(session.Prepare());
  EXPECT_EQ(session.Run(), 0);
  EXPECT_EQ(session.flags.Get(1), "second");
}

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// The save folder boxes a run showed.
std::vector<std::string> SaveFolderBoxes(const HeadlessSession& session) {
  std::vector<std::string> boxes;
  for (const std::string& line : session.platform.Transcript())
    if (line.find("セーブフォルダーに書き込めません") != std::string::npos) boxes.push_back(line);
  return boxes;
}

// A game on a disc: its folder counts as unwritable. The player is offered
// their own folder for the saves; krv.ini goes there too; the next start
// finds both there and asks nothing.
TEST(ReadOnlyGame, PlayerFilesGoToTheirOwnFolder) {
  test::TempDir game, home;
  game.Write("krv.cfg", "SavePath=.\\\r\n");
  game.Write("krv.ini", "Version=1.42\r\n[System]\r\nSavePath=.\\\r\nEnableMusic=0\r\n");
  game.Write("autorun.txt",
             test::ScriptText({"_$flg[1]=$flg[300]", "_$flg[300]=$flg[300]+7", "_winexit"}));
  const fs::path own = fs::path(home.str()) / "korvana" / fs::path(game.str()).filename();
  const std::string offered = cp932::FromUtf8(own.string()) + "/";

  for (int run = 1; run <= 2; ++run) {
    HeadlessSession session({}, {}, game.str());
    session.platform.userDataHome = home.str();
    session.platform.readOnlyFolders = {game.str()};
    ASSERT_TRUE(session.Prepare());
    EXPECT_EQ(session.Run(), 0);
    const std::vector<std::string> offers = SaveFolderBoxes(session);
    if (run == 1) {
      ASSERT_EQ(offers.size(), 1u);
      EXPECT_NE(offers[0].find(cp932::ToUtf8(offered)), std::string::npos) << offers[0];
      EXPECT_EQ(session.flags.Get(1), "0");
    } else {
      EXPECT_TRUE(offers.empty()) << offers[0];
      EXPECT_EQ(session.flags.Get(1), "7");  // the global flags came back from there
    }
  }
  const std::string ini = Read(own / "krv.ini");
  EXPECT_NE(ini.find("SavePath=" + offered + "\r\n"), std::string::npos) << ini;
  // The player's choices started from the copy the game came with.
  EXPECT_NE(ini.find("EnableMusic=0\r\n"), std::string::npos) << ini;
  EXPECT_TRUE(fs::exists(own / "data0.hfd"));
  // Nothing was written into the game's folder.
  EXPECT_EQ(Read(fs::path(game.str()) / "krv.ini"),
            "Version=1.42\r\n[System]\r\nSavePath=.\\\r\nEnableMusic=0\r\n");
  EXPECT_FALSE(fs::exists(fs::path(game.str()) / "data0.hfd"));
}

// Save file names are Shift-JIS: a player's folder it cannot spell is not
// offered for the saves (they would go nowhere); krv.ini, named in the
// system's own spelling, still goes there.
TEST(ReadOnlyGame, FolderShiftJisCannotSpellIsNotOffered) {
  test::TempDir game, home;
  game.Write("krv.cfg", "SavePath=.\\\r\n");
  game.Write("autorun.txt", test::ScriptText({"_winexit"}));
  const std::string dataHome = home.str() + "/andr\u00e9";
  HeadlessSession session({}, {}, game.str());
  session.platform.userDataHome = dataHome;
  session.platform.readOnlyFolders = {game.str()};
  ASSERT_TRUE(session.Prepare());
  EXPECT_EQ(session.Run(), 0);
  const std::vector<std::string> boxes = SaveFolderBoxes(session);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].find("保存しますか"), std::string::npos) << boxes[0];
  EXPECT_EQ(session.settings->SavePath, ".\\");
  EXPECT_TRUE(fs::exists(fs::path(dataHome) / "korvana" / fs::path(game.str()).filename() /
                         "krv.ini"));
}

// A save folder of a writable game that cannot be written: the player's
// folder is offered, and made only when the player takes it.
TEST(ReadOnlyGame, ThePlayersFolderIsMadeOnlyWhenTaken) {
  for (const char* answer : {"no", "yes"}) {
    test::TempDir game, home;
    game.Write("krv.cfg", "SavePath=save\\\r\n");
    game.Write("save/keep", "");
    game.Write("autorun.txt", test::ScriptText({"_$flg[1]=1"}));
    const fs::path own = fs::path(home.str()) / "korvana" / fs::path(game.str()).filename();
    HeadlessSession session({.answers = {answer}}, {}, game.str());
    session.platform.userDataHome = home.str();
    session.platform.readOnlyFolders = {game.str() + "/save"};
    ASSERT_TRUE(session.Prepare()) << answer;
    const bool taken = std::string(answer) == "yes";
    EXPECT_EQ(SaveFolderBoxes(session).size(), 1u) << answer;
    EXPECT_EQ(fs::is_directory(own), taken) << answer;
    EXPECT_EQ(session.settings->SavePath,
              taken ? cp932::FromUtf8(own.string()) + "/" : std::string("save\\"))
        << answer;
  }
}

}  // namespace
}  // namespace korvana
