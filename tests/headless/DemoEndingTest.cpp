// The demo as a reader sees it: each chapter's last words stay until they
// are clicked away, and the night ends under its stars.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "GameRun.h"
#include "graphics/ImageDecoders.h"
#include "TestPaths.h"

namespace korvana {
namespace {

struct DemoRun {
  test::TempDir dir;
  std::unique_ptr<HeadlessSession> session;

  explicit DemoRun(HeadlessOptions options = {.maxClicks = 300, .choices = {0, 1, 2}}) {
    std::filesystem::copy(std::string(KORVANA_SOURCE_DIR) + "/games/demo", dir.path(),
                          std::filesystem::copy_options::recursive);
    session = std::make_unique<HeadlessSession>(options, EngineSettings{}, dir.str());
    EXPECT_TRUE(session->Prepare());
    EXPECT_EQ(session->Run(), 0);
  }
};

TEST(Demo, ClosingWordsWaitForAClick) {
  DemoRun demo;
  // The text drawn up to each click wait: a closing line is the last thing
  // drawn before its wait, not run on into the next chapter.
  std::vector<std::string> beforeWaits;
  for (const std::string& line : demo.session->platform.Transcript())
    if (line.rfind("text\t", 0) == 0) beforeWaits.push_back(line.substr(5));
  for (const char* closing : {"― つづく ―", "― おしまい ―"}) {
    SCOPED_TRACE(closing);
    const std::string words(closing);
    int shown = 0;
    for (const std::string& text : beforeWaits) {
      const size_t at = text.find(words);
      if (at == std::string::npos) continue;
      ++shown;
      EXPECT_EQ(at + words.size(), text.size()) << text;
    }
    EXPECT_EQ(shown, 1);
  }
}

TEST(Demo, StarsShineOverTheNight) {
  DemoRun demo;
  const Picture& screen = demo.session->platform.Screen();
  std::ifstream file(demo.dir.str() + "/stars.png", std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
  Picture sheet;
  std::string error;
  ASSERT_TRUE(DecodePng(bytes, sheet, error)) << error;
  // Every colour of the stars but the sheet's key.
  std::set<uint32_t> starColours;
  for (int y = 0; y < sheet.Height(); ++y)
    for (int x = 0; x < sheet.Width(); ++x)
      if (sheet.Pixel(x, y) != 0xFF00FF) starColours.insert(sheet.Pixel(x, y));
  // Where the script puts its two sprites.
  for (const auto [left, top] : {std::pair{100, 80}, std::pair{220, 130}}) {
    SCOPED_TRACE(left);
    int star = 0;
    for (int y = top; y < top + 32; ++y)
      for (int x = left; x < left + 32; ++x) star += starColours.count(screen.Pixel(x, y));
    EXPECT_GT(star, 8);
  }
}

TEST(Demo, AutoModeReadsItToTheEndWithOneClick) {
  DemoRun demo({.maxClicks = 1, .choices = {0, 1, 2}, .menu = {{1, "Xauto"}}});
  const std::vector<std::string>& lines = demo.session->platform.Transcript();
  EXPECT_FALSE(demo.session->failed);
  EXPECT_TRUE(demo.session->endReason == "end" || demo.session->endReason == "exit")
      << demo.session->endReason;
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "auto\ton"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "auto\toff"), 0);
  // The last words were shown and every choice was answered.
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("text\t", 0) == 0 && l.find("― おしまい ―") != std::string::npos;
  }));
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.rfind("choice\t", 0) == 0; }),
            3);
  EXPECT_EQ(demo.session->platform.ClicksGiven(), 0);
}

}  // namespace
}  // namespace korvana
