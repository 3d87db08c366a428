#pragma once
// Where the reader's screenshots go: "$XDG_PICTURES_DIR/korvana/".
// XDG_PICTURES_DIR is taken from the environment when it is an absolute
// path, else from the desktop's own record of the user's folders,
// "$XDG_CONFIG_HOME/user-dirs.dirs" (~/.config/user-dirs.dirs), whose lines
// read XDG_PICTURES_DIR="$HOME/Bilder" or an absolute path in quotes. A
// folder given as the home folder itself means "none" there, so without
// either the screenshots go to "~/Pictures/korvana/".
#include <string>

namespace korvana::config {

inline constexpr size_t kMaxUserDirsBytes = 64 * 1024;

// The folder for these environment values (any may be null), ending in "/";
// empty when none of them gives one.
std::string ScreenshotFolderFrom(const char* xdgPicturesDir, const char* xdgConfigHome,
                                 const char* home);
// The same from this process's environment.
std::string DefaultScreenshotFolder();

}  // namespace korvana::config
