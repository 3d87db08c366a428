// The demo is heard: every piece of its music, its sounds and its movie
// decodes and plays where the story puts it.
#include <gtest/gtest.h>

#include <filesystem>

#include "GameRun.h"
#include "TestPaths.h"

namespace korvana {
namespace {

TEST(Demo, PlaysItsMusicSoundsAndMovieWhereTheStoryPutsThem) {
  test::TempDir dir;
  std::filesystem::copy(std::string(KORVANA_SOURCE_DIR) + "/games/demo", dir.path(),
                        std::filesystem::copy_options::recursive);
  HeadlessSession session({.maxClicks = 300, .choices = {0, 1, 2}}, {}, dir.str());
  ASSERT_TRUE(session.Prepare());
  EXPECT_EQ(session.Run(), 0);
  std::vector<std::string> plays;
  for (const std::string& line : session.platform.Transcript()) {
    if (line.rfind("sound\t", 0) != 0) continue;
    EXPECT_EQ(line.find("\tfail\t"), std::string::npos) << line;
    if (line.find("\tplay\t") != std::string::npos || line.find("\tend\t") != std::string::npos)
      plays.push_back(line.substr(6, line.rfind('\t') - 6));
  }
  // The morning tune, the walk on the hill with a footstep, the gift's
  // chime, the album, and the moon rising into the night song; the menu
  // click after each choice.
  const std::vector<std::string> expected = {
      "music\tplay\tbgm01.mid", "short\tplay\tclick.wav",  "short\tend\tclick.wav",
      "music\tplay\tbgm02.mid", "short\tplay\tstep.wav",   "short\tend\tstep.wav",
      "short\tplay\tclick.wav", "short\tend\tclick.wav",   "se\tplay\tchime.wav",
      "music\tplay\tbgm01.mid", "se\tend\tchime.wav",      "short\tplay\tclick.wav",
      "short\tend\tclick.wav",  "movie\tplay\tmoonrise.avi", "movie\tend\tmoonrise.avi",
      "music\tplay\tbgm03.mid"};
  EXPECT_EQ(plays, expected);
}

}  // namespace
}  // namespace korvana
