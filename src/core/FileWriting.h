#pragma once
// Every file the program keeps for the player (saves, settings, the global
// data) is written here. The save folder usually lies inside the game's
// folder, which the game's author ships: a name planted there (a link to the
// player's own files, a FIFO) must never be opened for writing, and a crash
// mid-write must never cost the previous file.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvana {

struct WriteOptions {
  // Syncing to the disk is what makes a file survive a power cut; only the
  // benchmark that measures the rest turns it off.
  bool sync = true;
  // Tests put a failing flush in here, as a disk that reports an error only
  // at the sync does.
  std::function<bool(int fd)> syncFile;
};

// Writes `bytes` to a new file beside `target`, named "<target>.<random>.tmp",
// created exclusively and never through a link. Returns its path, or nothing
// (and no file left behind) when it could not be written and synced whole.
std::optional<std::string> WriteTempBeside(const std::string& target, std::string_view bytes,
                                           const WriteOptions& options = {});

// Puts a finished temporary file in place of `target` and syncs the folder.
// The rename replaces a link that stands at `target`; it never follows it.
bool ReplaceWithTemp(const std::string& temp, const std::string& target);

// Writes through a temporary file in the same folder and renames it over the
// target, so a crash mid-write leaves the previous file intact. Temporary
// files that an earlier crash left beside the target go first.
bool WriteFileAtomically(const std::string& target, std::string_view bytes,
                         const WriteOptions& options = {});

// Removes what a crash can leave beside `target`: "<target>.<random>.tmp" and
// the plain "<target>.tmp" of earlier versions, whatever stands there but a
// folder (a link itself goes, never what it names).
void RemoveLeftoverTemps(const std::string& target);
// The same for several targets in one folder, in one reading of it.
void RemoveLeftoverTemps(const std::vector<std::string>& targets);

// Whether `entry` is a name WriteTempBeside gives a file named `target`.
bool IsTempName(std::string_view entry, std::string_view target);

// A path's folder ("." for a bare name) and its last component.
std::pair<std::string, std::string> SplitFolder(const std::string& path);

// Syncs the folder's entries, so that a rename in it survives a power cut.
bool SyncFolderOf(const std::string& path);

}  // namespace korvana
