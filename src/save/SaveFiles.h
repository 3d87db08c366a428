#pragma once
// The files of a saved game and of the installation, byte for byte: the slot
// flag file (".hfd"), the status file (".hsd", 516 lines), the log file
// (".hld"), the global flags ("data0.hfd") and the read-text record
// ("textid.dat"). Text files are CP932, one value a line, CR LF. Readers take
// whole lines, so a long flag text reads back unchanged.
//
// Writes never leave a file half-written, and a slot's files (the three
// above and the picture "dataN.png") are replaced together or not at all
// (FileBatch).
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/FileWriting.h"
#include "platform/Dialogs.h"
#include "save/SavePoint.h"

namespace korvana {

class GameFiles;

inline constexpr int kSlotCount = 80;
// Slots beyond the game's 80 that only the reader's comforts write: the
// quick save, then the automatic saves taken in turn. The save dialog never
// offers them; the load dialog lists them on a page of their own.
inline constexpr int kQuickSlot = 81;
inline constexpr int kFirstAutoSlot = 82;
inline constexpr int kAutoSlotCount = 3;
inline constexpr int kLastSlot = kFirstAutoSlot + kAutoSlotCount - 1;
static_assert(kQuickSlot == kSlotCount + 1 && kFirstAutoSlot == kQuickSlot + 1);
// The picture of the screen kept beside every save ("dataN.png").
inline constexpr int kThumbnailWidth = 160;
inline constexpr int kThumbnailHeight = 120;
inline constexpr int kStatusLines = 516;
// The status file carries the first items of the current selection only.
inline constexpr int kStatusSelectionItems = 10;
static_assert(kStatusSelectionItems <= SelectionItems::kMaxItems);
// The slot dialog finds a slot's title (the first line) within this many
// bytes of the status file.
inline constexpr size_t kStatusTitleBytes = 510;
// Bytes of the title in a slot's label, so that the dates line up.
inline constexpr size_t kSlotTitleBytes = 64;

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
// At most kMaxSavedLogPages pages, or nothing when the first line is not a number.
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
  // The commit record of a slot's save in progress ("data1.commit").
  std::string RecordPath(int number) const { return SlotPath(number, ".commit"); }
  // The folder as a player would look for it: absolute, CP932.
  std::string Shown() const;
  const std::string& Prefix() const { return prefix_; }

 private:
  const GameFiles& files_;
  std::string prefix_;
};

// The largest save files a game can make: no line of them holds more than
// the longest flag text, the status file has its fixed lines, and the log
// carries at most kMaxSavedLogPages pages of at most one line per pixel row of the screen,
// each at most one character per pixel column (under 10 MB even then).
// Anything larger is damage and is refused before it is read.
inline constexpr size_t kMaxFlagFileBytes = FlagStore::kGameCount * (FlagStore::kMaxTextBytes + 2);
inline constexpr size_t kMaxStatusFileBytes = kStatusLines * (FlagStore::kMaxTextBytes + 2);
inline constexpr size_t kMaxLogFileBytes = 16 * 1024 * 1024;

// The files of one slot, written as one unit. Every file goes to a new
// temporary file and is synced; only when all of them are does a commit
// record naming them go in place, then the renames follow and the record
// goes. A crash before the record leaves the old slot whole (the temporary
// files go at the slot's next save); a crash after it is completed by
// RecoverSlotFiles, so a slot is never half one save and half another.
struct FileBatch {
  struct Item {
    std::string path;
    std::string bytes;
  };
  std::vector<Item> items;
  // The commit record's path (SaveFolder::RecordPath); empty only where no
  // crash matters (the benchmark of the rest).
  std::string record;
  // Called before each step (0 … n−1 the writes, n the record, n+1 … 2n the
  // renames, 2n+1 the record's removal); false stops there, as a crash would.
  std::function<bool(int step)> failAt;
  WriteOptions write;
  // The first item that could not be written, or -1; nothing was renamed then.
  int failed = -1;

  void Add(std::string path, std::string bytes) {
    items.push_back({std::move(path), std::move(bytes)});
  }
  // True when every file is in place.
  bool Commit();
  // The next save of slot `number`: an earlier save that a crash
  // interrupted is finished and what it left is removed, then Commit.
  bool CommitSlot(int number);
};

// Finishes the renames of a save of slot `number` that a crash interrupted
// (its commit record is there); otherwise does nothing. A record that is not
// one this program wrote for that slot is removed unread.
void RecoverSlotFiles(const std::string& record, int number);
// RecoverSlotFiles for every slot (1 to kLastSlot) that has a commit record,
// at start.
void RecoverInterruptedSaves(const SaveFolder& folder);

// Whether slot `number` holds a saved game: its status file is a regular
// file (a link that leads nowhere, a folder or a pipe is none).
bool SlotUsed(const SaveFolder& folder, int number);

// The labels of slots 1 to `count` (at most kLastSlot) for the slot dialog:
// the number padded to three places, then the title cut or padded to 64
// bytes and "(yyyy/mm/dd hh:mm)" of the status file's modification time, or
// "データがありません"; with the path of the slot's picture when it has one.
std::vector<SlotEntry> SlotLabels(const SaveFolder& folder, int count = kSlotCount);

// The automatic save slot to write next: the first of them that holds no
// game, else the one whose status file is oldest. Among equally old ones
// (the clock of a file system moves in ticks) a slot this run did not write
// comes first, then the one written earliest of `writtenThisRun` (the slots
// this run wrote, each once, the latest last), then the lowest.
int NextAutoSlot(const SaveFolder& folder, std::span<const int> writtenThisRun);

}  // namespace korvana
