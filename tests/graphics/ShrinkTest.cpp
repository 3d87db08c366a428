// The small picture a save keeps of the screen: each pixel the rounded
// average of its block, and the bytes a PNG reader reads back unchanged.
#include <gtest/gtest.h>

#include "PngBytes.h"
#include "graphics/Picture.h"

namespace korvana {
namespace {

TEST(Shrink, EachPixelIsTheRoundedAverageOfItsBlock) {
  struct Case {
    const char* what;
    int width, height, factor;
    // Paints the source picture.
    void (*paint)(Picture&);
    int outWidth, outHeight;
    // Expected pixels of the result at (x, y).
    std::vector<std::tuple<int, int, uint32_t>> pixels;
  };
  const Case cases[] = {
      {"one colour stays exactly",
       640,
       480,
       4,
       [](Picture& p) { p.Fill(0x336699); },
       160,
       120,
       {{0, 0, 0x336699}, {159, 119, 0x336699}}},
      {"black and white columns give the grey between (rounded up at .5)",
       8,
       4,
       4,
       [](Picture& p) {
         for (int y = 0; y < 4; ++y)
           for (int x = 0; x < 8; ++x) p.SetPixel(x, y, x % 2 ? 0xFFFFFF : 0x000000);
       },
       2,
       1,
       {{0, 0, 0x808080}, {1, 0, 0x808080}}},
      {"channels are averaged each on its own",
       4,
       4,
       4,
       [](Picture& p) {
         p.Fill(0x000000);
         p.FillRect(0, 0, 4, 1, 0xFF0000);  // a quarter red
         p.FillRect(0, 1, 2, 1, 0x00FF00);  // an eighth green
         p.SetPixel(3, 3, 0x000010);        // a sixteenth of 16 blue
       },
       1,
       1,
       {{0, 0, 0x402001}}},
      {"blocks land where they were, halves of the screen apart",
       640,
       480,
       4,
       [](Picture& p) { p.FillRect(320, 0, 320, 480, 0x0000FF); },
       160,
       120,
       {{79, 0, 0x000000}, {80, 0, 0x0000FF}, {80, 119, 0x0000FF}}},
      {"a partial last block is dropped",
       10,
       6,
       4,
       [](Picture& p) { p.Fill(0x010203); },
       2,
       1,
       {{1, 0, 0x010203}}},
      {"smaller than one block gives nothing", 3, 3, 4, [](Picture& p) { p.Fill(1); }, 0, 0, {}},
  };
  for (const Case& c : cases) {
    Picture source(c.width, c.height);
    c.paint(source);
    const Picture small = ShrinkByAveraging(source, c.factor);
    EXPECT_EQ(small.Width(), c.outWidth) << c.what;
    EXPECT_EQ(small.Height(), c.outHeight) << c.what;
    for (const auto& [x, y, colour] : c.pixels)
      if (small.Contains(x, y))
        EXPECT_EQ(small.Pixel(x, y), colour) << c.what << " " << x << "," << y;
  }
}

TEST(Shrink, EncodedPngReadsBackPixelForPixel) {
  Picture picture(160, 120, 0x102030);
  picture.FillRect(10, 20, 30, 40, 0xFEDCBA);
  picture.SetPixel(159, 119, 0x00FF00);
  const std::optional<std::string> bytes = EncodePng(picture);
  ASSERT_TRUE(bytes);
  const Picture read = test::ReadPng(*bytes);
  EXPECT_EQ(read.Width(), 160);
  EXPECT_EQ(read.Height(), 120);
  EXPECT_EQ(read.Pixels(), picture.Pixels());
  EXPECT_FALSE(EncodePng(Picture()));
}

}  // namespace
}  // namespace korvana
