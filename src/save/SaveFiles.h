#pragma once
// The files of a saved game and of the installation, byte for byte: the slot
// flag file (".hfd"), the status file (".hsd", 516 lines), the log file
// (".hld"), the global flags ("data0.hfd") and the read-text record
// ("textid.dat"). Text files are CP932, one value a line, CR LF. Readers take
// whole lines, so a long flag text reads back unchanged.
//
// Writes never leave a file half-written: every file goes to a temporary
// file in the same folder, is synced, and is renamed over the old one only
// when all files of the save are written.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Dialogs.h"
#include "save/SavePoint.h"

namespace korvana {

class GameFiles;

inline constexpr int kSlotCount = 80;
inline constexpr int kStatusLines = 516;

// --- bytes --------------------------------------------------------------------
std::string FlagFileBytes(const std::array<std::string, FlagStore::kGameCount>& flags);
// False when the file holds fewer than 256 lines (the flags stay as they were).
bool ParseFlagFile(std::string_view bytes, std::array<std::string, FlagStore::kGameCount>& flags);

std::string StatusFileBytes(const SavePoint& point);
// The whole file into `point`, or false (and `point` untouched) when a line
// is missing or a number is not a 32-bit decimal number.
bool ParseStatusFile(std::string_view bytes, SavePoint& point);
// The first line (the title the slot dialog shows).
std::string StatusTitle(std::string_view bytes);

// The pages a save carries (oldest first).
std::string LogFileBytes(const std::vector<std::vector<std::string>>& pages);
// At most 15 pages, or nothing when the first line is not a number.
std::optional<std::vector<std::vector<std::string>>> ParseLogFile(std::string_view bytes);

// --- the files in the save folder ----------------------------------------------

// Where the files go: the save folder prefix (CP932, "" for the game folder)
// resolved against the game.
class SaveFolder {
 public:
  SaveFolder(const GameFiles& files, std::string savePath) : files_(files), prefix_(savePath) {}
  // The resolved path of "data" + n + extension, "data0.hfd", "textid.dat".
  std::string Path(std::string_view fileName) const;
  std::string SlotPath(int number, std::string_view extension) const;
  const std::string& Prefix() const { return prefix_; }

 private:
  const GameFiles& files_;
  std::string prefix_;
};

// Files written together: each to a temporary file first, renamed over the
// old ones only when all are written. Tests put `failAt` in to stop the
// writing after any step, as a crash would.
struct FileBatch {
  struct Item {
    std::string path;
    std::string bytes;
    bool written = false;
  };
  std::vector<Item> items;
  // Called before each step (0, 1, …: the writes, then the renames); false
  // stops there.
  std::function<bool(int step)> failAt;
  // Syncing to the disk is what makes a save survive a power cut; only the
  // benchmark that measures the rest turns it off.
  bool sync = true;

  void Add(std::string path, std::string bytes) {
    items.push_back({std::move(path), std::move(bytes)});
  }
  // Writes every item; `written` says which could be written and were put in
  // place. False when the batch stopped early.
  bool Commit();
};

// The 80 labels of the slot dialog: the number padded to three places, then
// the title cut or padded to 64 bytes and "(yyyy/mm/dd hh:mm)" of the
// status file's modification time, or "データがありません".
std::vector<SlotEntry> SlotLabels(const SaveFolder& folder);

}  // namespace korvana
