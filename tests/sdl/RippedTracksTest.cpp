#include <gtest/gtest.h>

#include "TempDir.h"
#include "backends/RippedTracks.h"

namespace korvana {
namespace {

using test::TempDir;

TEST(RippedTracks, KnowsATrackByItsName) {
  const struct {
    const char* name;
    int track;  // 0: not a track
  } cases[] = {
      {"track01.flac", 1}, {"track02.ogg", 2},  {"track12.opus", 12}, {"track03.wav", 3},
      {"track04.mp3", 4},  {"TRACK05.WAV", 5},  {"Track06.Ogg", 6},   {"track7.wav", 7},
      {"track99.wav", 99}, {"track100.wav", 0}, {"track00.wav", 0},   {"track.wav", 0},
      {"track1a.wav", 0},  {"track01.aiff", 0}, {"mytrack01.wav", 0}, {"track01.wav.bak", 0},
      {"track-1.wav", 0},  {"track 1.wav", 0},  {"track01flac", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string file = dir.Write(c.name, "x");
    const auto tracks = FindRippedTracks({dir.str()});
    if (c.track == 0) {
      EXPECT_TRUE(tracks.empty());
    } else {
      EXPECT_EQ(tracks, (std::map<int, std::string>{{c.track, file}}));
    }
  }
}

TEST(RippedTracks, TakesTheFirstFolderThatHoldsATrack) {
  TempDir dir;
  dir.Write("empty/.keep", "");
  dir.Write("other/notes.txt", "x");
  dir.Write("other/track01.wav/inside", "a folder is no track");
  const std::string second = dir.Write("data/cdda/track02.ogg", "x");
  const std::string third = dir.Write("data/cdda/Track03.flac", "x");
  dir.Write("game/cdda/track01.wav", "x");
  const auto tracks =
      FindRippedTracks({"", dir.str() + "/absent", dir.str() + "/empty", dir.str() + "/other",
                        dir.str() + "/data/cdda", dir.str() + "/game/cdda"});
  EXPECT_EQ(tracks, (std::map<int, std::string>{{2, second}, {3, third}}));
  EXPECT_TRUE(FindRippedTracks({}).empty());
}

TEST(RippedTracks, PrefersTheLosslessFileOfATrack) {
  TempDir dir;
  dir.Write("track03.mp3", "x");
  dir.Write("track3.flac", "x");
  const std::string flac = dir.Write("track03.FLAC", "x");
  dir.Write("track04.mp3", "x");
  const std::string wav = dir.Write("track04.wav", "x");
  EXPECT_EQ(FindRippedTracks({dir.str()}), (std::map<int, std::string>{{3, flac}, {4, wav}}));
}

}  // namespace
}  // namespace korvana
