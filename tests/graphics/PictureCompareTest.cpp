// Comparing a picture with its approved copy: the pixel tolerance decides
// which pixels changed, the share how many may change; the difference
// picture shows the changed ones in red over a faded copy.
#include <gtest/gtest.h>

#include "graphics/PictureCompare.h"

namespace korvana {
namespace {

// A 10 × 10 picture of varied colours and a copy with `count` pixels, from
// the top left, moved by `delta` in one channel.
struct Pair {
  Picture approved{10, 10};
  Picture actual;
  Pair(int count, int delta, int shift) {
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x)
        approved.SetPixel(x, y, static_cast<uint32_t>((x * 20 << 16) | (y * 20 << 8) | 100));
    actual = approved;
    for (int i = 0; i < count; ++i) {
      const uint32_t c = actual.Pixel(i % 10, i / 10);
      actual.SetPixel(i % 10, i / 10, c + (static_cast<uint32_t>(delta) << shift));
    }
  }
};

TEST(PictureCompare, ToleranceAndShareDecideAMatch) {
  const struct {
    int count, delta, shift;
    PictureTolerance tolerance;
    int64_t changed;
    bool matches;
  } rows[] = {
      {0, 0, 0, {}, 0, true},           {1, 1, 0, {}, 1, false},  // one step of blue is a change
      {1, 1, 0, {1, 0}, 0, true},                                 // within the pixel tolerance
      {3, 5, 8, {4, 0}, 3, false},                                // green past it
      {3, 5, 16, {5, 0}, 0, true},                                // red just within it
      {3, 6, 16, {5, 3}, 3, true},                                // three pixels of 100 is 3 %
      {4, 6, 16, {5, 3}, 4, false},                               // four is past 3 %
      {50, 40, 0, {0, 50}, 50, true},   {51, 40, 0, {0, 50}, 51, false},
      {100, 1, 8, {0, 100}, 100, true},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message()
                 << r.count << " pixels by " << r.delta << " at bit " << r.shift);
    const Pair pair(r.count, r.delta, r.shift);
    const PictureComparison c = ComparePictures(pair.approved, pair.actual, r.tolerance);
    EXPECT_TRUE(c.sameSize);
    EXPECT_EQ(c.total, 100);
    EXPECT_EQ(c.changed, r.changed);
    EXPECT_EQ(c.matches, r.matches);
  }
}

TEST(PictureCompare, PicturesOfOtherSizesNeverMatch) {
  const Picture a(10, 10), b(10, 11), c(11, 10);
  for (const Picture* other : {&b, &c}) {
    const PictureComparison r = ComparePictures(a, *other, {255, 100});
    EXPECT_FALSE(r.sameSize);
    EXPECT_FALSE(r.matches);
  }
}

TEST(PictureCompare, TheDifferenceShowsChangedPixelsRedOverAFadedCopy) {
  const Pair pair(7, 30, 8);
  for (int tolerance : {0, 29, 30}) {
    SCOPED_TRACE(tolerance);
    const Picture diff = DifferencePicture(pair.approved, pair.actual, tolerance);
    ASSERT_EQ(diff.Width(), 10);
    ASSERT_EQ(diff.Height(), 10);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 10; ++x) {
        const bool changed = y * 10 + x < 7 && tolerance < 30;
        const uint32_t a = pair.approved.Pixel(x, y);
        ASSERT_EQ(diff.Pixel(x, y), changed ? kChangedPixelColour : FadedColour(a))
            << x << "," << y;
      }
  }
  // Faded: a quarter of the colour, three quarters mid grey.
  EXPECT_EQ(FadedChannel(0), 96u);
  EXPECT_EQ(FadedChannel(255), 159u);
  EXPECT_EQ(FadedColour(0x00FF00), 0x609F60u);
}

}  // namespace
}  // namespace korvana
