// Where the reader's screenshots go, by the desktop's rules for the
// pictures folder.
#include <gtest/gtest.h>

#include "TempDir.h"
#include "config/PicturesFolder.h"

namespace korvana::config {
namespace {

TEST(PicturesFolder, FollowsTheEnvironmentThenTheUserDirsFileThenHome) {
  const struct {
    const char* what;
    const char* pictures;  // XDG_PICTURES_DIR
    const char* userDirs;  // the user-dirs.dirs file; null: none
    const char* home;
    const char* expected;  // "$CONFIG" is the configuration folder
  } cases[] = {
      {"the variable", "/data/shots", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n", "/home/me",
       "/data/shots/korvana/"},
      {"the variable with a slash", "/data/shots/", nullptr, "/home/me", "/data/shots/korvana/"},
      {"a relative variable is not one", "shots", nullptr, "/home/me",
       "/home/me/Pictures/korvana/"},
      {"the file, under home", nullptr,
       "# written by the desktop\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
       "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n",
       "/home/me", "/home/me/Bilder/korvana/"},
      {"the file, absolute", "", "XDG_PICTURES_DIR=\"/srv/pictures\"\n", "/home/me",
       "/srv/pictures/korvana/"},
      {"the file, home itself means none", nullptr, "XDG_PICTURES_DIR=\"$HOME/\"\n",
       "/home/me", "/home/me/Pictures/korvana/"},
      {"the file, unquoted", nullptr, "XDG_PICTURES_DIR=$HOME/Bilder\n", "/home/me",
       "/home/me/Pictures/korvana/"},
      {"the file, relative", nullptr, "XDG_PICTURES_DIR=\"Bilder\"\n", "/home/me",
       "/home/me/Pictures/korvana/"},
      {"the file, another variable's name", nullptr, "XDG_PICTURES_DIRS=\"/srv/x\"\n",
       "/home/me", "/home/me/Pictures/korvana/"},
      {"no file", nullptr, nullptr, "/home/me", "/home/me/Pictures/korvana/"},
      {"no home, no file", nullptr, nullptr, nullptr, ""},
      {"no home, an absolute file", nullptr, "XDG_PICTURES_DIR=\"/srv/pictures\"\n", nullptr,
       "/srv/pictures/korvana/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir dir;
    if (c.userDirs) dir.Write("user-dirs.dirs", c.userDirs);
    EXPECT_EQ(ScreenshotFolderFrom(c.pictures, dir.str().c_str(), c.home), c.expected);
  }
}

TEST(PicturesFolder, TheUserDirsFileIsLookedForInTheConfigurationFolder) {
  test::TempDir home;
  home.Write(".config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
  EXPECT_EQ(ScreenshotFolderFrom(nullptr, nullptr, home.str().c_str()),
            home.str() + "/Bilder/korvana/");
  // XDG_CONFIG_HOME, when set, is where it is.
  test::TempDir config;
  EXPECT_EQ(ScreenshotFolderFrom(nullptr, config.str().c_str(), home.str().c_str()),
            home.str() + "/Pictures/korvana/");
}

}  // namespace
}  // namespace korvana::config
