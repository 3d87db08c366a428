#include "config/PicturesFolder.h"

#include <cstdlib>
#include <string_view>

#include "config/ConfigFile.h"
#include "config/InstallStore.h"
#include "core/Tokens.h"

namespace korvana::config {
namespace {

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// The pictures folder the user-dirs file names, or empty. Only the two
// forms the desktop writes are understood: "$HOME/…" and an absolute path.
std::string FromUserDirs(const std::string& file, const std::string& home) {
  const auto [status, bytes] = ReadSmallFile(file, kMaxUserDirsBytes);
  if (status != LoadStatus::Ok) return {};
  std::string_view rest = bytes;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view line = TrimBlanks(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    constexpr std::string_view kKey = "XDG_PICTURES_DIR";
    if (line.substr(0, kKey.size()) != kKey) continue;
    line = TrimBlanks(line.substr(kKey.size()));
    if (line.empty() || line[0] != '=') continue;
    line = TrimBlanks(line.substr(1));
    if (line.size() < 2 || line.front() != '"' || line.back() != '"') return {};
    line = line.substr(1, line.size() - 2);
    std::string folder;
    if (line.substr(0, 5) == "$HOME" && (line.size() == 5 || line[5] == '/')) {
      if (home.empty()) return {};
      folder = home + std::string(line.substr(5));
    } else if (!line.empty() && line[0] == '/') {
      folder = std::string(line);
    } else {
      return {};
    }
    // The home folder itself stands for "no such folder".
    if (WithSlash(folder) == WithSlash(home)) return {};
    return folder;
  }
  return {};
}

}  // namespace

std::string ScreenshotFolderFrom(const char* xdgPicturesDir, const char* xdgConfigHome,
                                 const char* home) {
  const std::string homeFolder = home ? home : "";
  std::string pictures;
  if (xdgPicturesDir && xdgPicturesDir[0] == '/') pictures = xdgPicturesDir;
  if (pictures.empty()) {
    const std::string config = XdgBase(xdgConfigHome, home, "/.config");
    if (!config.empty()) pictures = FromUserDirs(config + "user-dirs.dirs", homeFolder);
  }
  if (pictures.empty() && !homeFolder.empty()) pictures = WithSlash(homeFolder) + "Pictures";
  if (pictures.empty()) return {};
  return WithSlash(pictures) + "korvana/";
}

std::string DefaultScreenshotFolder() {
  return ScreenshotFolderFrom(std::getenv("XDG_PICTURES_DIR"), std::getenv("XDG_CONFIG_HOME"),
                              std::getenv("HOME"));
}

}  // namespace korvana::config
