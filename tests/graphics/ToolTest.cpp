// korvana-picture: convert and info on files the engine reads.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>

#include "PictureFixtures.h"
#include "TempDir.h"
#include "graphics/ImageDecoders.h"
#include "PngBytes.h"
#include "graphics/Picture.h"
#include "graphics/PictureCompare.h"
#include "TestPaths.h"

namespace korvana {
namespace {

const std::string kTool = std::string(KORVANA_BINARY_DIR) + "/tools/picture/korvana-picture";

// Runs the tool; returns its exit status and standard output (+ error).
int RunTool(const std::string& args, std::string& output) {
  FILE* p = ::popen(("timeout 20 " + kTool + " " + args + " 2>&1").c_str(), "r");
  if (!p) return -1;
  char buf[512];
  output.clear();
  while (size_t n = std::fread(buf, 1, sizeof buf, p)) output.append(buf, n);
  const int status = ::pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Tool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kTool)) GTEST_SKIP() << "korvana-picture not built";
  }
  test::TempDir dir;
};

TEST_F(Tool, ConvertsMagAndFrlToPngPixelForPixel) {
  const test::MagImage img = test::MakeMagImage(false, 40, 12, 31);
  dir.Write("Pic.MAG", test::EncodeMag(img).bytes);
  std::string out;
  ASSERT_EQ(RunTool("convert " + dir.str() + "/Pic.MAG " + dir.str() + "/out.png", out), 0) << out;
  const std::string png = dir.Read("out.png");
  Picture p;
  std::string error;
  ASSERT_TRUE(DecodePng({reinterpret_cast<const uint8_t*>(png.data()), png.size()}, p, error))
      << error;
  ASSERT_EQ(p.Width(), 40);
  ASSERT_EQ(p.Height(), 12);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(p.Pixel(x, y), img.Color(x, y));

  dir.Write("a.frl", test::BuildFrl(12, 2, 1, std::string("\x01\xA5", 2)));
  ASSERT_EQ(RunTool("convert " + dir.str() + "/a.frl " + dir.str() + "/frl.png", out), 0) << out;
  EXPECT_EQ(out.find("FRL 2 x 1"), out.find("FRL"));
}

TEST_F(Tool, InfoTellsFormatSizeAndColours) {
  test::MagOptions own;
  own.ownSignature = true;
  dir.Write("x.him", test::EncodeMag(test::MakeMagImage(true, 16, 3, 32), own).bytes);
  std::string out;
  ASSERT_EQ(RunTool("info " + dir.str() + "/x.him", out), 0) << out;
  EXPECT_NE(out.find("KRVIF1"), std::string::npos) << out;
  EXPECT_NE(out.find("256-colour"), std::string::npos) << out;
  EXPECT_NE(out.find("16 x 3"), std::string::npos) << out;
  EXPECT_NE(out.find("distinct"), std::string::npos) << out;
}

TEST_F(Tool, WarnsAboutNamesTheEngineDoesNotLoadAndFailsOnBrokenFiles) {
  dir.Write("p.jpeg",
            test::EncodeJpeg(8, 8, true, std::vector<std::string>(8, std::string(8, 'a'))));
  std::string out;
  ASSERT_EQ(RunTool("info " + dir.str() + "/p.jpeg", out), 0) << out;
  EXPECT_NE(out.find("loads nothing"), std::string::npos) << out;
  dir.Write("bad.mag", "MAKI02  nothing here");
  EXPECT_EQ(RunTool("info " + dir.str() + "/bad.mag", out), 1) << out;
  EXPECT_NE(out.find("MAG"), std::string::npos) << out;
  EXPECT_EQ(RunTool("convert " + dir.str() + "/missing.png " + dir.str() + "/o.png", out), 1);
  EXPECT_EQ(RunTool("", out), 2);
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

TEST_F(Tool, RefusesWhatIsNoPictureFileWithoutWaitingOrReadingForEver) {
  ASSERT_EQ(::mkfifo((dir.str() + "/pipe.png").c_str(), 0644), 0);
  for (const std::string& path : {dir.str() + "/pipe.png", std::string("/dev/zero")}) {
    std::string out;
    // `timeout` would answer 124 if the tool blocked or read on and on.
    const int status = RunTool("info " + path, out);
    EXPECT_NE(status, 0) << path;
    EXPECT_NE(status, 124) << path;
    EXPECT_NE(status, -1) << path;
  }
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

// `compare` on a 20 × 10 picture and a copy with four pixels changed by 12
// in red: its exit status, and the difference picture a failure leaves.
TEST_F(Tool, CompareMatchesWithinToleranceAndShowsWhatChangedPastIt) {
  Picture approved(20, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) approved.SetPixel(x, y, static_cast<uint32_t>(x * 10 << 8 | y));
  Picture actual = approved;
  for (int x = 0; x < 4; ++x) actual.SetPixel(x, 5, approved.Pixel(x, 5) + (12u << 16));
  ASSERT_TRUE(WritePng(approved, dir.str() + "/a.png"));
  ASSERT_TRUE(WritePng(actual, dir.str() + "/b.png"));
  ASSERT_TRUE(WritePng(Picture(20, 11), dir.str() + "/taller.png"));
  const struct {
    std::string files, options;
    int status;
    const char* says;
  } rows[] = {
      {"a.png a.png", "", 0, "match: 0 of 200"},
      {"a.png b.png", "", 1, "differ: 4 of 200"},
      {"a.png b.png", "--pixel-tolerance 12", 0, "match: 0 of 200"},
      {"a.png b.png", "--pixel-tolerance 11", 1, "differ: 4 of 200"},
      {"a.png b.png", "--share 2", 0, "match: 4 of 200"},  // 4 of 200 is 2 %
      {"a.png b.png", "--share 1.99", 1, "differ: 4 of 200"},
      {"a.png taller.png", "--share 100 --pixel-tolerance 255", 1, "is 20 x 11"},
      {"a.png missing.png", "", 2, "cannot read"},
      {"a.png b.png", "--share 101", 2, "--share takes"},
      {"a.png b.png", "--pixel-tolerance 256", 2, "--pixel-tolerance takes"},
      {"a.png b.png", "--pixel-tolerance -1", 2, "--pixel-tolerance takes"},
      {"a.png", "", 2, "usage"},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.files + " " + r.options);
    std::filesystem::remove(dir.path() / "diff.png");
    const size_t blank = r.files.find(' ');
    std::string files = dir.str() + "/" + r.files.substr(0, blank);
    if (blank != std::string::npos) files += " " + dir.str() + "/" + r.files.substr(blank + 1);
    std::string out;
    EXPECT_EQ(RunTool("compare " + files + " " + r.options + " --diff " + dir.str() + "/diff.png",
                      out),
              r.status)
        << out;
    EXPECT_NE(out.find(r.says), std::string::npos) << out;
    // Only a comparison that ran and failed leaves a picture of it.
    const bool diffWritten = std::filesystem::exists(dir.path() / "diff.png");
    EXPECT_EQ(diffWritten, r.status == 1 && out.find("differ: 4") == 0) << out;
    if (!diffWritten) continue;
    const Picture diff = test::ReadPng(dir.Read("diff.png"));
    ASSERT_EQ(diff.Width(), 20);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 20; ++x) {
        const uint32_t a = approved.Pixel(x, y);
        EXPECT_EQ(diff.Pixel(x, y), y == 5 && x < 4 ? kChangedPixelColour : FadedColour(a))
            << x << "," << y;
      }
  }
}

}  // namespace
}  // namespace korvana
