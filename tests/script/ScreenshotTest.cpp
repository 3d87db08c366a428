// "スクリーンショット": the screen as it is, as a PNG named after the game and
// the time in the screenshot folder, never over another file; a note says
// it was saved, or that it could not be.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <fstream>

#include "GameRun.h"
#include "core/Cp932.h"
#include "graphics/ImageDecoders.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;
using test::GameRun;

Picture ReadPng(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), {});
  Picture picture;
  std::string error;
  EXPECT_TRUE(DecodePng({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, picture,
                        error))
      << path << ": " << error;
  return picture;
}

std::vector<std::string> Notes(const GameRun& run) {
  std::vector<std::string> notes;
  for (const std::string& n : run.Events("note")) notes.push_back(n);
  return notes;
}

TEST(Screenshot, NamedAfterTheGameAndTheTimeAndNeverOverAnotherFile) {
  const struct {
    const char* what;
    std::vector<HeadlessOptions::MenuChoice> menu;
    std::vector<const char*> before;  // files already in the folder
    std::vector<const char*> written;  // after the game's name
  } rows[] = {
      {"one", {{1, "Xshot"}}, {}, {"-20000101-000000.png"}},
      {"two in one second", {{1, "Xshot"}, {1, "Xshot"}},
       {}, {"-20000101-000000.png", "-20000101-000000-2.png"}},
      {"the reader's own file is kept", {{1, "Xshot"}}, {"-20000101-000000.png"},
       {"-20000101-000000-2.png"}},
      {"a later second", {{1, "Xshot"}, {2, "Xshot"}}, {},
       {"-20000101-000000.png", "-20000101-000001.png"}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    GameRun run({.menu = r.menu});
    // The second page comes a second later in virtual time.
    run.Script({"あ", "_delay 1000", "い"});
    const std::string game = run.dir().path().filename().string();
    const fs::path folder = run.dir().path() / "shots" / "korvana";
    run.session().platform.screenshotFolder = folder.string();
    for (const char* name : r.before) {
      fs::create_directories(folder);
      std::ofstream(folder / (game + name)) << "mine";
    }
    EXPECT_EQ(run.Run(), 0);
    std::vector<std::string> expected;
    for (const char* name : r.written) expected.push_back((folder / (game + name)).string());
    EXPECT_EQ(run.Events("shot"), expected);
    for (const std::string& file : expected) EXPECT_EQ(ReadPng(file).Width(), 640);
    for (const char* name : r.before) {
      std::ifstream in(folder / (game + name));
      EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "mine");
    }
    EXPECT_EQ(Notes(run), std::vector<std::string>(expected.size(), "スクリーンショットを保存しました"));
  }
}

TEST(Screenshot, ThePixelsAreTheScreensAndTheNoteIsNotInThem) {
  GameRun run;
  run.Script({"文字のある画面", "次"});
  run.session().platform.screenshotFolder = (run.dir().path() / "shots").string();
  Picture shown;
  int waits = 0;
  run.session().platform.onClickWait = [&] {
    if (++waits != 1) return;
    run.session().engine.TakeScreenshot();
    shown = run.session().engine.ScreenPicture();
  };
  run.Run();
  const std::vector<std::string> shots = run.Events("shot");
  ASSERT_EQ(shots.size(), 1u);
  const Picture written = ReadPng(shots[0]);
  ASSERT_EQ(written.Width(), 640);
  ASSERT_EQ(written.Height(), 480);
  EXPECT_TRUE(std::equal(written.Pixels().begin(), written.Pixels().end(), shown.Pixels().begin(),
                         [](uint32_t a, uint32_t b) { return (a & 0xFFFFFF) == (b & 0xFFFFFF); }));
}

TEST(Screenshot, AFolderThatCannotBeMadeOrWrittenIsANoteNotAFailure) {
  const struct {
    const char* what;
    std::function<std::string(const test::TempDir&)> folder;
  } rows[] = {
      {"no folder known", [](const test::TempDir&) { return std::string(); }},
      {"a file where the folder goes",
       [](const test::TempDir& d) { return d.Write("taken", "a file") + "/korvana"; }},
      {"a folder that cannot be written",
       [](const test::TempDir& d) {
         const fs::path folder = d.path() / "locked";
         fs::create_directories(folder);
         fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
         return folder.string();
       }},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    GameRun run({.menu = {{1, "Xshot"}}, .strict = true});
    run.Script({"あ", "_$flg[1]=1"});
    run.session().platform.screenshotFolder = r.folder(run.dir());
    // A user that may write anywhere (root) writes into the locked folder too.
    const bool writable = !run.session().platform.screenshotFolder.empty() &&
                          ::access(run.session().platform.screenshotFolder.c_str(), W_OK) == 0;
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.Flag(1), "1");  // the story went on
    if (!writable) {
      EXPECT_TRUE(run.Events("shot").empty());
      EXPECT_EQ(Notes(run), std::vector<std::string>{"スクリーンショットを保存できませんでした"});
    }
    fs::permissions(run.dir().path(), fs::perms::owner_all, fs::perm_options::add);
    if (fs::exists(run.dir().path() / "locked"))
      fs::permissions(run.dir().path() / "locked", fs::perms::owner_all, fs::perm_options::add);
  }
}

TEST(Screenshot, TheCommandLineSendsShotsBesideTheScreenshotFile) {
  const struct {
    const char* screenshot;
    const char* folder;
  } rows[] = {
      {"", "."},
      {"end.png", "."},
      {"out/end.png", "out"},
      {"/tmp/x/end.png", "/tmp/x"},
  };
  for (const auto& r : rows) EXPECT_EQ(ScreenshotFolderFor(r.screenshot), r.folder) << r.screenshot;

  // A whole run: the shot lands beside the end's screenshot, and the
  // transcript names it.
  test::TempDir dir;
  dir.Write("mygame/krv.cfg", "");
  dir.Write("mygame/autorun.txt", test::ScriptText({"あ", "い"}));
  HeadlessCommandLine command;
  std::string error;
  ASSERT_TRUE(ParseHeadlessCommandLine({"--menu", "2:Xshot", "--screenshot",
                                        dir.str() + "/out/end.png", "--transcript",
                                        dir.str() + "/transcript.txt", dir.str() + "/mygame"},
                                       command, error))
      << error;
  fs::create_directories(dir.path() / "out");
  EXPECT_EQ(RunHeadlessCommand(command), 0);
  const std::string shot = dir.str() + "/out/mygame-20000101-000000.png";
  EXPECT_NE(dir.Read("transcript.txt").find("shot\t" + shot + "\n"), std::string::npos)
      << dir.Read("transcript.txt");
  EXPECT_EQ(ReadPng(shot).Width(), 640);
  EXPECT_TRUE(fs::exists(dir.path() / "out" / "end.png"));
}

}  // namespace
}  // namespace korvana
