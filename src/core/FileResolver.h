#pragma once
// Every file name that a script or configuration gives passes through here:
// games written on Windows name files with backslashes, CP932 bytes and any
// letter case, and must run unchanged on a case-sensitive file system.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace korvana {

inline constexpr std::string_view kDataDriveToken = "%DATA_DRIVE%";

// Replaces the first occurrence of "%DATA_DRIVE%" with dataPath; later
// occurrences stay as they are.
std::string ExpandDataDrive(std::string_view name, std::string_view dataPath);

// Turns a CP932 file name (already expanded) into a UTF-8 path of this file
// system: "\" becomes "/", and when the exact path does not exist each
// component is matched without regard to letter case. When nothing matches,
// the converted name is returned as it is, so the caller's open fails with
// the name the author wrote.
std::string ResolvePath(std::string_view sjisName);

// ExpandDataDrive, then ResolvePath.
std::string ResolveScriptPath(std::string_view sjisName, std::string_view dataPath);

// The folder a game runs in and its data drive: every file a script names is
// found through this, never through the process's current folder, so one
// process can run two games side by side (tests do).
class GameFiles {
 public:
  // `root` is the game folder (UTF-8); empty stands for the current folder,
  // as the command-line tools use it.
  explicit GameFiles(std::string root = {}, std::string dataPath = {})
      : root_(std::move(root)), DataPath(std::move(dataPath)) {}

  const std::string& Root() const { return root_; }
  // "Change the current folder" in the script chooser, the start folder of
  // the settings: later names resolve against `root`.
  void SetRoot(std::string root) { root_ = std::move(root); }

  // The first "%DATA_DRIVE%" replaced by DataPath.
  std::string Expand(std::string_view sjisName) const {
    return ExpandDataDrive(sjisName, DataPath);
  }
  // ResolvePath for a name already expanded, relative names taken from the
  // game folder.
  std::string Resolve(std::string_view sjisName) const;
  // Expand, then Resolve.
  std::string ResolveScript(std::string_view sjisName) const { return Resolve(Expand(sjisName)); }
  // A resolved path as messages show it: relative to the game folder, as the
  // author wrote it.
  std::string Shown(const std::string& resolvedPath) const;

 private:
  std::string root_;

 public:
  // The data folder or drive root that "%DATA_DRIVE%" stands for (CP932).
  std::string DataPath;
};

// The entry of folder `dir` (UTF-8; "" is the current folder) whose name
// equals `name` without regard to ASCII letter case. A folder's listing is
// read once and kept, and read again when the folder has changed.
std::optional<std::string> FindEntryIgnoringCase(const std::string& dir, std::string_view name);

// `dir` (UTF-8, "" for the current folder) as an absolute folder path
// without a trailing slash; nothing when it is not a folder.
std::optional<std::string> AbsoluteFolder(const std::string& dir);

// Whether the resolved name is an existing regular file.
bool FileExists(const std::string& resolvedPath);

// The whole file, or nothing when it is not a regular file (a FIFO would
// block the program), cannot be read, or holds more than `maxBytes`.
std::optional<std::string> ReadWholeFile(const std::string& resolvedPath,
                                         size_t maxBytes = SIZE_MAX);
// The first `bytes` bytes of a regular file (all of a shorter one).
std::optional<std::string> ReadPrefix(const std::string& resolvedPath, size_t bytes);

}  // namespace korvana
