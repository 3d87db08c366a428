#include <gtest/gtest.h>

#include "SoundFiles.h"
#include "TempDir.h"
#include "backends/cdio/CdioDisc.h"

namespace korvana {
namespace {

using test::TempDir;
using test::Tone;
using namespace std::string_literals;

constexpr int kSector = AudioDisc::kFramesPerSector;

// Two tracks: 15 sectors (200 ms) of a low tone, then 23 of a loud high one.
struct TwoTrackImage {
  TempDir dir;
  std::vector<int16_t> first = Tone(200, 440, 8000);
  std::vector<int16_t> second = Tone(23 * 1000 / 75, 880, 16000);
  std::string cue = test::WriteDiscImage(dir, {first, second});
};

TEST(CdioDisc, ReadsTheTableOfContentsOfAnImage) {
  TwoTrackImage image;
  auto disc = CdioDisc::Open(image.cue);
  ASSERT_NE(disc, nullptr);
  ASSERT_EQ(disc->Tracks().size(), 2u);
  EXPECT_EQ(disc->Tracks()[0].number, 1);
  EXPECT_EQ(disc->Tracks()[0].firstSector, 0);
  EXPECT_EQ(disc->Tracks()[0].sectors, 15);
  EXPECT_EQ(disc->Tracks()[1].number, 2);
  EXPECT_EQ(disc->Tracks()[1].firstSector, 15);
  EXPECT_EQ(disc->Tracks()[1].sectors, 23);
  EXPECT_EQ(AudioDisc::SectorsToMs(disc->Tracks()[1].firstSector), 200);
  EXPECT_EQ(AudioDisc::SectorsToMs(disc->Tracks()[1].sectors), 306);
}

TEST(CdioDisc, ReadsTheSamplesOfEachSector) {
  TwoTrackImage image;
  auto disc = CdioDisc::Open(image.cue);
  ASSERT_NE(disc, nullptr);
  std::vector<int16_t> sector(kSector * 2);
  struct Case {
    int64_t lsn;
    const std::vector<int16_t>& source;
    size_t offset;
  };
  for (const Case& c : {Case{0, image.first, 0}, Case{14, image.first, 14 * kSector * 2},
                        Case{15, image.second, 0}, Case{30, image.second, 15 * kSector * 2}}) {
    SCOPED_TRACE(c.lsn);
    ASSERT_TRUE(disc->Seek(c.lsn));
    ASSERT_TRUE(disc->ReadSector(sector.data()));
    const size_t available = std::min(sector.size(), c.source.size() - c.offset);
    EXPECT_TRUE(std::equal(sector.begin(), sector.begin() + static_cast<ptrdiff_t>(available),
                           c.source.begin() + static_cast<ptrdiff_t>(c.offset)));
  }
  // Reading goes on sector after sector from the last seek.
  ASSERT_TRUE(disc->Seek(15));
  ASSERT_TRUE(disc->ReadSector(sector.data()));
  ASSERT_TRUE(disc->ReadSector(sector.data()));
  EXPECT_TRUE(std::equal(sector.begin(), sector.end(), image.second.begin() + kSector * 2));
}

TEST(CdioDisc, StopsAtTheEndOfTheAudio) {
  TwoTrackImage image;
  auto disc = CdioDisc::Open(image.cue);
  ASSERT_NE(disc, nullptr);
  std::vector<int16_t> sector(kSector * 2);
  EXPECT_FALSE(disc->Seek(38));
  EXPECT_FALSE(disc->Seek(-1));
  ASSERT_TRUE(disc->Seek(37));
  EXPECT_TRUE(disc->ReadSector(sector.data()));
  EXPECT_FALSE(disc->ReadSector(sector.data()));
}

TEST(CdioDisc, RefusesWhatIsNoDisc) {
  TempDir dir;
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty.cue", ""},
      {"noise.cue", "\x13\x37\xff\x00 TRACK garbage \x01"s},
      {"nobin.cue", "FILE \"missing.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"},
      {"data.cue", "FILE \"data.bin\" BINARY\n  TRACK 01 MODE1/2352\n    INDEX 01 00:00:00\n"},
  };
  dir.Write("data.bin", std::string(2352 * 4, '\0'));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CdioDisc::Open(dir.Write(c.name, c.bytes)), nullptr);
  }
  EXPECT_EQ(CdioDisc::Open(dir.str() + "/absent.cue"), nullptr);
}

}  // namespace
}  // namespace korvana
