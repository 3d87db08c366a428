// Picture's raster operations: clipped on both pictures, row by row.
#include "graphics/Picture.h"

#include <gtest/gtest.h>

#include <random>

namespace korvana {
namespace {

Picture Numbered(int w, int h, uint32_t base) {
  Picture p(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.SetPixel(x, y, base + static_cast<uint32_t>(y * 16 + x));
  return p;
}

// Reference: every pixel of the rectangle, skipping those outside either picture.
void ReferenceBlit(Picture& d, int dx, int dy, int w, int h, const Picture& s, int sx, int sy,
                   RasterOp op) {
  const Picture src = s;  // as before the call
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int tx = dx + x, ty = dy + y, fx = sx + x, fy = sy + y;
      if (!d.Contains(tx, ty) || !src.Contains(fx, fy)) continue;
      const uint32_t a = d.Pixel(tx, ty), b = src.Pixel(fx, fy);
      uint32_t r = 0;
      switch (op) {
        case RasterOp::Copy: r = b; break;
        case RasterOp::And: r = a & b; break;
        case RasterOp::Or: r = a | b; break;
        case RasterOp::Xor: r = a ^ b; break;
        case RasterOp::NotCopy: r = ~b & 0xFFFFFF; break;
      }
      d.SetPixel(tx, ty, r);
    }
}

TEST(Picture, ResizeFillAndPixels) {
  Picture p(3, 2, 0x010203);
  EXPECT_EQ(p.Width(), 3);
  EXPECT_EQ(p.Height(), 2);
  EXPECT_EQ(p.Pixels(), PixelVector(6, 0x010203));
  p.SetPixel(2, 1, 7);
  EXPECT_EQ(p.Row(1)[2], 7u);
  p.Resize(-4, 5);
  EXPECT_TRUE(p.Empty());
  EXPECT_EQ(SwapRedBlue(0x00FF0000), 0x000000FFu);
  EXPECT_EQ(SwapRedBlue(0xAA123456), 0x00563412u);
}

// A picture made or resized black reads black everywhere, whether its
// storage is fresh (small or large blocks come from different places) or
// the same block drawn on before; copies keep what was drawn.
TEST(Picture, BlackAfterEveryWayOfResizing) {
  struct Case {
    const char* name;
    int w0, h0, w1, h1;  // drawn at the first size, then resized to the second
  };
  const Case cases[] = {
      {"small, same size", 8, 8, 8, 8},         {"small to large", 8, 8, 640, 480},
      {"large, same size", 640, 480, 640, 480}, {"large to small", 640, 480, 8, 8},
      {"large to larger", 320, 240, 640, 480},  {"large to other large", 640, 480, 480, 640},
  };
  for (const Case& c : cases) {
    Picture p(c.w0, c.h0, 0x123456);
    p.FillRect(1, 1, c.w0, c.h0, 0xABCDEF);
    const Picture copy = p;
    p.Resize(c.w1, c.h1);
    EXPECT_EQ(p.Pixels(), PixelVector(static_cast<size_t>(c.w1) * c.h1, 0)) << c.name;
    EXPECT_EQ(copy.Pixel(0, 0), 0x123456u) << c.name;
    EXPECT_EQ(copy.Pixel(c.w0 - 1, c.h0 - 1), 0xABCDEFu) << c.name;
    Picture fresh(c.w1, c.h1);
    EXPECT_EQ(fresh.Pixels(), p.Pixels()) << c.name;
  }
}

TEST(Picture, EveryOperationMatchesTheReferenceForClippedRectangles) {
  std::mt19937 rng(3);
  const RasterOp ops[] = {RasterOp::Copy, RasterOp::And, RasterOp::Or, RasterOp::Xor, RasterOp::NotCopy};
  for (int i = 0; i < 3000; ++i) {
    Picture src(1 + rng() % 12, 1 + rng() % 12), dst(1 + rng() % 12, 1 + rng() % 12);
    for (uint32_t& v : src.Pixels()) v = rng() & 0xFFFFFF;
    for (uint32_t& v : dst.Pixels()) v = rng() & 0xFFFFFF;
    const int dx = static_cast<int>(rng() % 30) - 15, dy = static_cast<int>(rng() % 30) - 15;
    const int sx = static_cast<int>(rng() % 30) - 15, sy = static_cast<int>(rng() % 30) - 15;
    const int w = static_cast<int>(rng() % 20) - 2, h = static_cast<int>(rng() % 20) - 2;
    const RasterOp op = ops[rng() % 5];
    Picture want = dst;
    ReferenceBlit(want, dx, dy, w, h, src, sx, sy, op);
    dst.Blit(dx, dy, w, h, src, sx, sy, op);
    ASSERT_EQ(dst.Pixels(), want.Pixels()) << dx << "," << dy << " " << w << "x" << h << " from " << sx
                                           << "," << sy << " op " << static_cast<int>(op);
  }
}

TEST(Picture, SelfBlitReadsTheSourceAsBeforeTheCall) {
  std::mt19937 rng(4);
  for (int i = 0; i < 500; ++i) {
    Picture p = Numbered(10, 10, 0x100);
    Picture want = p;
    const int dx = static_cast<int>(rng() % 8) - 2, dy = static_cast<int>(rng() % 8) - 2;
    const int sx = static_cast<int>(rng() % 8) - 2, sy = static_cast<int>(rng() % 8) - 2;
    const RasterOp op = i % 2 ? RasterOp::Copy : RasterOp::Xor;
    ReferenceBlit(want, dx, dy, 7, 6, p, sx, sy, op);
    p.Blit(dx, dy, 7, 6, p, sx, sy, op);
    ASSERT_EQ(p.Pixels(), want.Pixels());
  }
}

TEST(Picture, HugeAndNegativeRectanglesDoNotOverflow) {
  Picture p(4, 4, 1), s(4, 4, 2);
  p.Blit(0x7FFFFFF0, 0, 100, 100, s, 0, 0);
  p.Blit(-0x7FFFFFFF, -0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, s, 0, 0);
  EXPECT_EQ(p.Pixels(), PixelVector(16, 1));
  p.Blit(-2, -2, 0x7FFFFFFF, 0x7FFFFFFF, s, -0x7FFFFFFF, 0);
  p.FillRect(0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 9);
  EXPECT_EQ(p.Pixels(), PixelVector(16, 1));
  p.Blit(1, 1, 0x7FFFFFFF, 0x7FFFFFFF, s, 0, 0);
  EXPECT_EQ(p.Pixel(0, 0), 1u);
  EXPECT_EQ(p.Pixel(3, 3), 2u);
}

TEST(Picture, FillRectAndDrawClip) {
  Picture p(4, 3, 0);
  p.FillRect(-1, 1, 3, 5, 0xABCDEF);
  const PixelVector want = {0, 0, 0, 0, 0xABCDEF, 0xABCDEF, 0, 0, 0xABCDEF, 0xABCDEF, 0, 0};
  EXPECT_EQ(p.Pixels(), want);
  Picture q(2, 2, 0x0F0F0F);
  p.Draw(3, 2, q, RasterOp::Or);
  EXPECT_EQ(p.Pixel(3, 2), 0x0F0F0Fu);
  EXPECT_EQ(p.Pixel(2, 2), 0u);
  // Inverted copy keeps the top byte 0.
  p.Draw(0, 0, q, RasterOp::NotCopy);
  EXPECT_EQ(p.Pixel(0, 0), 0xF0F0F0u);
}

}  // namespace
}  // namespace korvana
