// Scroll roll, moving window and shake: step counts, virtual durations and
// what they leave on the screen.
#include "LayerFixture.h"
#include "graphics/Effects.h"

namespace korvana {
namespace {

using test::FirstDifference;
using test::Painted;
using test::Scene1;
using test::Scene2;
using test::Stage;

constexpr uint32_t kFillBgr = 0x332211;  // 0x00BBGGRR of red 0x11, blue 0x33
constexpr uint32_t kFill = 0x112233;

// Rows of distinct colours.
uint32_t RowColour(int, int y) {
  return 0x010000u * static_cast<uint32_t>(y % 200) + 0x40;
}

TEST(ScrollRoll, GapsMoveTheScreenByStepsAndFillTheBand) {
  Stage s;
  s.back = Painted(640, 480, Scene1);
  ScrollRoll(s.layers, {"|48"}, 7, kFillBgr, 2, 0, 0);
  EXPECT_EQ(s.platform.invalidations, 24);
  EXPECT_EQ(s.Elapsed(), 24u * 7);
  const Picture expected =
      Painted(640, 480, [](int x, int y) { return y < 432 ? Scene1(x, y + 48) : kFill; });
  EXPECT_EQ(FirstDifference(s.back, expected), "");
}

TEST(ScrollRoll, PicturesRollUpInElevenStepsAndDownInTen) {
  struct Case {
    int32_t mode;
    int steps;
  };
  for (const Case c : {Case{0, 11}, Case{1, 10}}) {
    Stage s;
    const std::string pic = s.Save("p.png", Painted(200, 100, RowColour));
    ScrollRoll(s.layers, {"", pic}, 5, kFillBgr, 10, 0, c.mode);
    EXPECT_EQ(s.platform.invalidations, c.steps) << c.mode;
    EXPECT_EQ(s.Elapsed(), static_cast<uint64_t>(c.steps) * 5);
    const Picture expected = Painted(640, 480, [&](int x, int y) -> uint32_t {
      if (c.mode == 0) {
        // Picture row p ends at y = 370 + p; the last band is past the
        // picture and keeps the fill.
        if (y >= 370 && y < 470 && x >= 220 && x < 420) return RowColour(x - 220, y - 370);
        return y >= 370 ? kFill : 0;
      }
      if (y < 100 && x >= 220 && x < 420) return RowColour(x - 220, y);
      return y < 100 ? kFill : 0;
    });
    EXPECT_EQ(FirstDifference(s.back, expected), "") << c.mode;
  }
}

TEST(ScrollRoll, LeftHalfModeWithRightHandPictures) {
  Stage s;
  s.back = Painted(640, 480, Scene2);
  const std::string side = s.Save("side.png", Picture(100, 50, 0x0A0B0C));
  const std::string wide = s.Save("wide.png", Painted(400, 4, RowColour));
  ScrollRoll(s.layers, {"|4", "@" + side, wide}, 3, kFillBgr, 4, 0, 4);
  // 1 gap step + 1 picture step + 2 steps of the 4-row picture (r = 0, 4).
  EXPECT_EQ(s.platform.invalidations, 4);
  EXPECT_EQ(s.Elapsed(), 12u);
  // The right half is untouched but for the picture at (320, 120).
  EXPECT_EQ(s.back.Pixel(330, 130), 0x0A0B0Cu);
  EXPECT_EQ(s.back.Pixel(500, 300), Scene2(500, 300));
  EXPECT_EQ(s.back.Pixel(320, 119), Scene2(320, 119));
  // The left half moved up by 16 rows; the wide picture is cut to the half
  // (centred at x = -40, so its columns from 40 on), its rows at 472..475.
  EXPECT_EQ(s.back.Pixel(10, 100), Scene2(10, 116));
  EXPECT_EQ(s.back.Pixel(0, 473), RowColour(40, 1));
  EXPECT_EQ(s.back.Pixel(319, 473), RowColour(359, 1));
  EXPECT_EQ(s.back.Pixel(5, 478), kFill);
}

TEST(ScrollRoll, OtherModesAndDegenerateSteps) {
  Stage s;
  s.back = Painted(640, 480, Scene1);
  ScrollRoll(s.layers, {"|48"}, 7, kFillBgr, 2, 0, 2);
  EXPECT_EQ(s.Elapsed(), 0u);
  EXPECT_EQ(FirstDifference(s.back, Painted(640, 480, Scene1)), "");
  // Steps of 0 or below roll one pixel at a time; a step beyond the screen
  // fills it at once.
  ScrollRoll(s.layers, {"|3"}, 1, kFillBgr, 0, 0, 0);
  EXPECT_EQ(s.platform.invalidations, 3);
  ScrollRoll(s.layers, {"|5", "|x"}, 1, kFillBgr, 100000, 0, 1);
  EXPECT_EQ(FirstDifference(s.back, Picture(640, 480, kFill)), "");
}

TEST(ScrollRoll, APressEndsTheWaitsWhenSkippingIsOn) {
  for (int32_t skip : {0, 1}) {
    Stage s;
    s.platform.QueueClick(5, 5);
    ScrollRoll(s.layers, {"|10"}, 100, kFillBgr, 2, skip, 0);
    // The press arrives in the first wait: with skipping it ends that wait
    // at once; the other four run their full interval.
    EXPECT_EQ(s.Elapsed(), skip ? 400u : 500u) << skip;
    EXPECT_FALSE(s.click.MouseDownFlag);
  }
}

TEST(MovingWindow, DirectionCodes) {
  const int expected[][2] = {{0, 0},  {1, 0}, {0, 1},  {-1, 0}, {0, -1},
                             {1, -1}, {1, 1}, {-1, 1}, {-1, -1}};
  for (int code = -2; code <= 10; ++code) {
    int dx = 7, dy = 7;
    DirectionStep(code, dx, dy);
    const bool known = code >= 0 && code <= 8;
    EXPECT_EQ(dx, known ? expected[code][0] : 0) << code;
    EXPECT_EQ(dy, known ? expected[code][1] : 0) << code;
  }
}

TEST(MovingWindow, FramesMoveEraseAndTheLastStays) {
  Stage s;
  s.layers.LoadBackground(s.Save("bg.png", Painted(640, 480, Scene1)));
  s.back = Painted(640, 480, Scene1);
  MovingWindowArgs a;
  a.file = s.Save("src.png", Painted(300, 300, Scene2));
  a.sourceX = 10, a.sourceY = 20, a.screenX = 100, a.screenY = 50;
  a.width = 40, a.height = 30, a.count = 3, a.interval = 20;
  a.screenDirection = 1;  // right
  a.sourceDirection = 6;  // right and down
  MovingWindow(s.layers, a);
  EXPECT_EQ(s.Elapsed(), 60u);
  EXPECT_EQ(s.platform.invalidations, 3);
  // Last frame: screen (102, 50), source (12, 22); earlier frames erased
  // back to the background.
  const Picture expected = Painted(640, 480, [](int x, int y) {
    if (x >= 102 && x < 142 && y >= 50 && y < 80) return Scene2(x - 102 + 12, y - 50 + 22);
    return Scene1(x, y);
  });
  EXPECT_EQ(FirstDifference(s.back, expected), "");
}

TEST(MovingWindow, OverlaysAndCounts) {
  struct Case {
    MovingWindowArgs::Kind kind;
    int32_t count, rasterOp;
    uint32_t underOverlay;  // screen pixel under the overlay's corner
  };
  const Case cases[] = {
      {MovingWindowArgs::Kind::Plain, 1, 0, 0x222222},
      {MovingWindowArgs::Kind::RasterOverlay, 0, 0, 0x0F0F0F},
      {MovingWindowArgs::Kind::RasterOverlay, -5, 3, 0x222222 ^ 0x0F0F0F},
      {MovingWindowArgs::Kind::RasterOverlay, 1, 2, 0x222222 | 0x0F0F0F},
      {MovingWindowArgs::Kind::RasterOverlay, 1, 1, 0x222222 & 0x0F0F0F},
      {MovingWindowArgs::Kind::RasterOverlay, 1, 99, 0x0F0F0F},
      {MovingWindowArgs::Kind::MaskedOverlay, 1, 0, 0x0F0F0F},
  };
  for (const Case& c : cases) {
    Stage s;
    s.back.Fill(0x222222);
    MovingWindowArgs a;
    a.kind = c.kind;
    a.file = s.Save("src.png", Picture(50, 50, 0x505050));
    a.width = a.height = 50;
    a.count = c.count;
    a.interval = 10;
    a.overlayX = 200;
    a.overlayY = 200;
    a.rasterOp = c.rasterOp;
    a.overlayFile = s.Save("ov.png", Picture(20, 20, 0x0F0F0F));
    // The mask lets the overlay through on its left half only.
    a.overlayMask =
        s.Save("ovm.png", Painted(20, 20, [](int x, int) { return x < 10 ? 0 : 0xFFFFFF; }));
    MovingWindow(s.layers, a);
    EXPECT_EQ(s.Elapsed(), 10u);  // at least one frame, and only one here
    EXPECT_EQ(s.back.Pixel(25, 25), 0x505050u);
    EXPECT_EQ(s.back.Pixel(200, 200), c.underOverlay);
    if (c.kind == MovingWindowArgs::Kind::MaskedOverlay) {
      EXPECT_EQ(s.back.Pixel(215, 200), 0x222222u | 0x0F0F0F);
    }
  }
}

TEST(MovingWindow, RectanglesFarOutsideArePassedOver) {
  Stage s;
  s.back.Fill(0x222222);
  MovingWindowArgs a;
  a.file = s.Save("src.png", Picture(50, 50, 0x505050));
  a.sourceX = -100000, a.screenX = 2000000000, a.screenY = -2000000000;
  a.width = 100000, a.height = -5, a.count = 4, a.interval = 1;
  a.screenDirection = 5, a.sourceDirection = 8;
  MovingWindow(s.layers, a);
  EXPECT_EQ(s.Elapsed(), 4u);
  EXPECT_EQ(FirstDifference(s.back, Picture(640, 480, 0x222222)), "");
}

TEST(Shake, AmplitudeZeroRedrawsTheUnmovedScreen) {
  Stage s;
  s.back = Painted(640, 480, Scene1);
  s.platform.keepFrames = true;
  std::mt19937 random(1);
  ShakeScreen(s.layers, 0, 3, 50, random);
  EXPECT_EQ(s.Elapsed(), 200u);
  ASSERT_EQ(s.platform.frames.size(), 4u);
  for (const Picture& f : s.platform.frames)
    EXPECT_EQ(FirstDifference(f, Painted(640, 480, Scene1)), "");
}

TEST(Shake, OffsetsStayWithinTheAmplitude) {
  Stage s;
  s.back = Painted(640, 480, Scene1);
  s.platform.keepFrames = true;
  std::mt19937 random(7);
  ShakeScreen(s.layers, 16, 20, 10, random);
  ASSERT_EQ(s.platform.frames.size(), 21u);
  for (size_t i = 0; i + 1 < s.platform.frames.size(); ++i) {
    const Picture& f = s.platform.frames[i];
    // Find the offset from where scene pixel (320, 240) landed.
    bool found = false;
    for (int oy = -16; oy < 16 && !found; ++oy)
      for (int ox = -16; ox < 16 && !found; ++ox)
        found = f.Pixel(320 + ox, 240 + oy) == Scene1(320, 240) &&
                f.Pixel(330 + ox, 250 + oy) == Scene1(330, 250) &&
                f.Pixel(300 + ox, 200 + oy) == Scene1(300, 200);
    EXPECT_TRUE(found) << i;
  }
  EXPECT_EQ(FirstDifference(s.back, Painted(640, 480, Scene1)), "");
}

TEST(Shake, HugeAmplitudesAndCounts) {
  Stage s;
  s.back = Painted(640, 480, Scene1);
  std::mt19937 random(3);
  ShakeScreen(s.layers, 100000, 2, 1, random);
  ShakeScreen(s.layers, INT32_MAX, 1, 1, random);
  ShakeScreen(s.layers, -5, -3, -4, random);
  EXPECT_EQ(s.Elapsed(), 3u + 2u + 4u);
  EXPECT_EQ(FirstDifference(s.back, Painted(640, 480, Scene1)), "");
}

}  // namespace
}  // namespace korvana
