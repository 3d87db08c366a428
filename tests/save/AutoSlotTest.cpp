// Which automatic save is written next, and the labels the load dialog gets
// for the slots after the game's 80.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <vector>

#include "TempDir.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "save/SaveFiles.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;

// Gives the status file of `slot` the modification time `seconds`.
void Age(const test::TempDir& dir, int slot, int64_t seconds) {
  const std::string path = dir.str() + "/data" + std::to_string(slot) + ".hsd";
  const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

TEST(AutoSlots, TheNextIsTheFirstMissingElseTheOldest) {
  struct Case {
    const char* what;
    std::map<int, int64_t> saved;  // slot -> time of its status file
    std::vector<int> written;      // this run's writes, the latest last
    int next;
  };
  const Case cases[] = {
      {"none yet", {}, {}, 82},
      {"the first written", {{82, 100}}, {82}, 83},
      {"a gap is filled first", {{82, 300}, {84, 100}}, {}, 83},
      {"the oldest of three", {{82, 300}, {83, 100}, {84, 200}}, {}, 83},
      {"the oldest, whatever was written", {{82, 300}, {83, 200}, {84, 100}}, {82}, 84},
      {"equal times: the lowest", {{82, 100}, {83, 100}, {84, 100}}, {}, 82},
      {"equal times: one this run did not write", {{82, 100}, {83, 100}, {84, 100}}, {82, 84}, 83},
      {"equal times: the earliest this run wrote",
       {{82, 100}, {83, 100}, {84, 100}},
       {83, 82, 84},
       83},
      {"equal times, written in turn", {{82, 100}, {83, 100}, {84, 100}}, {82, 83, 84}, 82},
      {"only the oldest compete", {{82, 100}, {83, 100}, {84, 50}}, {84, 82, 83}, 84},
  };
  for (const Case& c : cases) {
    test::TempDir dir;
    const GameFiles game(dir.str());
    const SaveFolder folder(game, "");
    for (const auto& [slot, time] : c.saved) {
      dir.Write("data" + std::to_string(slot) + ".hsd", "title\r\n");
      Age(dir, slot, time);
    }
    EXPECT_EQ(NextAutoSlot(folder, c.written), c.next) << c.what;
  }
}

TEST(AutoSlots, AFolderInPlaceOfAStatusFileCountsAsNoSave) {
  test::TempDir dir;
  const GameFiles game(dir.str());
  const SaveFolder folder(game, "");
  for (int slot : {82, 84}) dir.Write("data" + std::to_string(slot) + ".hsd", "t\r\n");
  fs::create_directories(dir.path() / "data83.hsd");
  EXPECT_EQ(NextAutoSlot(folder, std::vector<int>{82}), 83);
}

TEST(AutoSlots, LabelsReachTheQuickAndAutomaticSavesWithTheirPictures) {
  test::TempDir dir;
  const GameFiles game(dir.str());
  const SaveFolder folder(game, "");
  dir.Write("data1.hsd", "one\r\n");
  dir.Write("data1.png", "not even a picture");  // the dialog finds that out
  dir.Write("data81.hsd", "quick\r\n");
  dir.Write("data81.png", "png");
  dir.Write("data83.hsd", "auto\r\n");
  dir.Write("data84.png", "a picture without its save");
  const struct {
    int count;
    size_t size;
  } counts[] = {{kSlotCount, 80}, {kLastSlot, 84}, {1000, 84}, {-3, 0}};
  for (const auto& c : counts) EXPECT_EQ(SlotLabels(folder, c.count).size(), c.size) << c.count;

  const std::vector<SlotEntry> slots = SlotLabels(folder, kLastSlot);
  const struct {
    int slot;
    const char* start;
    bool used;
    bool picture;
  } rows[] = {{1, "1  one", true, true},    {2, "2  データがありません", false, false},
              {81, "81 quick", true, true}, {82, "82 データがありません", false, false},
              {83, "83 auto", true, false}, {84, "84 データがありません", false, false}};
  for (const auto& r : rows) {
    const SlotEntry& e = slots[r.slot - 1];
    EXPECT_EQ(cp932::ToUtf8(e.label).rfind(r.start, 0), 0u) << cp932::ToUtf8(e.label);
    EXPECT_EQ(e.used, r.used) << r.slot;
    EXPECT_EQ(e.thumbnail,
              r.picture ? dir.str() + "/data" + std::to_string(r.slot) + ".png" : std::string())
        << r.slot;
  }
}

}  // namespace
}  // namespace korvana
