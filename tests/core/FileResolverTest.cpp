#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "TempDir.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "core/FileWriting.h"

namespace korvana {
namespace {

TEST(ExpandDataDrive, OnlyTheFirstTokenIsReplaced) {
  struct Case {
    std::string name, dataPath, expected;
  } cases[] = {
      {"%DATA_DRIVE%bg\\a.bmp", "E:\\data\\", "E:\\data\\bg\\a.bmp"},
      {"x%DATA_DRIVE%y%DATA_DRIVE%", "/m/", "x/m/y%DATA_DRIVE%"},
      {"%DATA_DRIVE%a.txt", "", "a.txt"},
      {"plain.txt", "/m/", "plain.txt"},
      {"%data_drive%a", "/m/", "%data_drive%a"},  // the token is exact
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandDataDrive(c.name, c.dataPath), c.expected);
}

TEST(ResolvePath, WindowsNamesFindFilesOnACaseSensitiveSystem) {
  test::TempDir dir;
  dir.Write("Graphics/BG/Sky.BMP", "x");
  dir.Write(cp932::ToUtf8("\x89\xe6\x91\x9c") + "/" + cp932::ToUtf8("\x95\x5c.txt"),
            "y");  // 画像/表.txt
  const std::string root = dir.str() + "/";
  struct Case {
    std::string sjisName, expected;
  } cases[] = {
      {root + "graphics\\bg\\sky.bmp", root + "Graphics/BG/Sky.BMP"},
      {root + "GRAPHICS/bg/SKY.bmp", root + "Graphics/BG/Sky.BMP"},
      // The trail byte 0x5C of "表" is not a folder separator.
      {root + "\x89\xe6\x91\x9c\\\x95\x5c.txt",
       root + cp932::ToUtf8("\x89\xe6\x91\x9c") + "/" + cp932::ToUtf8("\x95\x5c.txt")},
      // Nothing matches: the converted name comes back for the caller's error.
      {root + "graphics\\none.bmp", root + "graphics/none.bmp"},
  };
  for (const auto& c : cases) EXPECT_EQ(ResolvePath(c.sjisName), c.expected) << c.sjisName;

  // A game's relative names resolve against its folder, whatever the
  // process's current folder is, and messages show them as written.
  const GameFiles game(dir.str(), "graphics\\bg\\");
  EXPECT_EQ(game.Resolve("graphics\\BG\\sky.bmp"), dir.str() + "/Graphics/BG/Sky.BMP");
  EXPECT_EQ(game.ResolveScript("%DATA_DRIVE%sky.bmp"), dir.str() + "/Graphics/BG/Sky.BMP");
  EXPECT_EQ(game.Shown(game.Resolve("graphics\\none.bmp")), "graphics/none.bmp");
  EXPECT_EQ(game.Resolve(root + "GRAPHICS/bg/SKY.bmp"), root + "Graphics/BG/Sky.BMP");
}

TEST(ResolvePath, AFolderChangedAfterALookupIsReadAgain) {
  // Each step changes the folder, then looks a name up in another case.
  test::TempDir dir;
  const std::string root = dir.str() + "/";
  dir.Write("Pics/One.png", "1");
  struct Step {
    const char* change;
    std::function<void()> apply;
    std::string asked, expected;
  } const steps[] = {
      {"as first listed", [] {}, "PICS/ONE.PNG", root + "Pics/One.png"},
      {"a file made", [&] { dir.Write("Pics/Two.png", "2"); }, "pics/two.PNG", root + "Pics/Two.png"},
      {"a file renamed",
       [&] { std::filesystem::rename(root + "Pics/One.png", root + "Pics/Uno.png"); },
       "pics/ONE.png", root + "pics/ONE.png"},
      {"the folder replaced",
       [&] {
         std::filesystem::remove_all(root + "Pics");
         dir.Write("Pics/one.PNG", "3");
       },
       "PICS/One.Png", root + "Pics/one.PNG"},
  };
  for (const Step& s : steps) {
    s.apply();
    EXPECT_EQ(ResolvePath(root + s.asked), s.expected) << s.change;
  }
}

TEST(WriteFileAtomically, ReplacesWholeOrLeavesThePreviousFile) {
  test::TempDir dir;
  const std::string path = dir.str() + "/save.dat";
  ASSERT_TRUE(WriteFileAtomically(path, "first"));
  ASSERT_TRUE(WriteFileAtomically(path, "second"));
  EXPECT_EQ(ReadWholeFile(path).value_or(""), "second");
  EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
  // A folder that cannot take the temporary file: the old file stays.
  EXPECT_FALSE(WriteFileAtomically(dir.str() + "/missing/x.dat", "data"));
  EXPECT_EQ(ReadWholeFile(path).value_or(""), "second");
  EXPECT_FALSE(ReadWholeFile(dir.str()).has_value());  // a folder is not a file
}

TEST(WriteFileAtomically, TakesAwayWhatACrashLeftAndNothingElse) {
  test::TempDir dir;
  const std::string path = dir.str() + "/krv.ini";
  struct Entry {
    const char* name;
    bool removed;
  } entries[] = {
      {"krv.ini.tmp", true},                   // the name earlier versions used
      {"krv.ini.0123456789abcdef.tmp", true},  // the name a crash leaves now
      {"krv.ini.0123456789ABCDEF.tmp", false},
      {"krv.ini.old.tmp", false},
      {"krv.ini.tmp.bak", false},
      {"other.ini.tmp", false},
  };
  for (const Entry& e : entries) dir.Write(e.name, "x");
  std::filesystem::create_directory(dir.path() / "krv.ini.fedcba9876543210.tmp");
  ASSERT_TRUE(WriteFileAtomically(path, "new"));
  for (const Entry& e : entries)
    EXPECT_EQ(std::filesystem::exists(dir.path() / e.name), !e.removed) << e.name;
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "krv.ini.fedcba9876543210.tmp"));
}

TEST(ReadWholeFile, OnlyARegularFileWithinItsLimit) {
  test::TempDir dir;
  const std::string file = dir.Write("a.dat", "0123456789");
  ASSERT_EQ(::mkfifo((dir.str() + "/fifo").c_str(), 0644), 0);
  std::filesystem::create_symlink("a.dat", dir.path() / "link");
  struct Case {
    std::string path;
    size_t limit;
    std::optional<std::string> whole;
  } cases[] = {
      {file, SIZE_MAX, "0123456789"},
      {file, 10, "0123456789"},
      {file, 9, std::nullopt},
      {dir.str() + "/link", 10, "0123456789"},
      {dir.str() + "/fifo", SIZE_MAX, std::nullopt},  // would wait for a writer for ever
      {dir.str(), SIZE_MAX, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadWholeFile(c.path, c.limit), c.whole) << c.path;
  EXPECT_EQ(ReadPrefix(file, 4), "0123");
  EXPECT_EQ(ReadPrefix(file, 40), "0123456789");
  EXPECT_EQ(ReadPrefix(dir.str() + "/fifo", 4), std::nullopt);
}

}  // namespace
}  // namespace korvana
