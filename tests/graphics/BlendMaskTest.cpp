// Masks, the nine blend routines and TilePicture.
#include <gtest/gtest.h>

#include <random>

#include "PictureFixtures.h"
#include "TempDir.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "graphics/Blend.h"
#include "graphics/Mask.h"
#include "graphics/Picture.h"

namespace korvana {
namespace {

// Per-channel reference of the blend table, written from its definition.
uint32_t Reference(int mode, uint32_t d, uint32_t s) {
  auto channels = [&](auto f) {
    uint32_t r = 0;
    for (int c = 0; c < 24; c += 8) r |= (f((d >> c) & 0xFFu, (s >> c) & 0xFFu) & 0xFFu) << c;
    return r;
  };
  switch (mode) {
    case 0:
      return s;
    case 1:
      return d | s;
    case 2:
      return d & s;
    case 3:
      return d ^ s;
    case 4:
      return ((s >> 1) & 0x7F7F7F) + ((d >> 1) & 0x7F7F7F);
    case 5:
      return channels([](uint32_t a, uint32_t b) { return a + b > 255 ? 255 : a + b; });
    case 6:
      return channels([](uint32_t a, uint32_t b) { return a < b ? 0 : a - b; });
    case 7:
      return channels([](uint32_t a, uint32_t b) { return a > b ? a : b; });
    case 8:
      return channels([](uint32_t a, uint32_t b) { return a < b ? b : (a + b) >> 1; });
  }
  return d;
}

TEST(Blend, KeywordsAreExact) {
  const char* keywords[] = {"#COPY",     "#OR",       "#AND",    "#XOR",    "#BLEND",
                            "#INCREASE", "#DECREASE", "#SCREEN", "#OVERLAY"};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(BlendModeFromKeyword(keywords[i]), i);
    EXPECT_STREQ(BlendKeyword(i), keywords[i]);
  }
  for (const char* k : {"#copy", "#MULTIPLY", "COPY", "", "#COPY "})
    EXPECT_FALSE(BlendModeFromKeyword(k)) << k;
}

TEST(Blend, SpecExamples) {
  EXPECT_EQ(BlendPixel(4, 0x000000, 0xFFFFFF), 0x7F7F7Fu);
  EXPECT_EQ(BlendPixel(4, 0xFFFFFF, 0xFFFFFF), 0xFEFEFEu);
  EXPECT_EQ(BlendPixel(5, 0x909090, 0x808080), 0xFFFFFFu);
  EXPECT_EQ(BlendPixel(6, 0x808080, 0x909090), 0u);
  EXPECT_EQ(BlendPixel(8, 0x40, 0x80), 0x80u);
  EXPECT_EQ(BlendPixel(8, 0x80, 0x40), 0x60u);
  EXPECT_EQ(BlendPixel(7, 0x10F020, 0x2030F0), 0x20F0F0u);
}

// Runs a routine over random pictures and compares with the reference, for
// every mask mode and random positions (clipping on every side).
TEST(Blend, EveryRoutineMatchesTheReferenceWithClippingAndMasks) {
  std::mt19937 rng(11);
  for (int iter = 0; iter < 1500; ++iter) {
    const int mode = iter % 9;
    const int maskMode = (iter / 9) % 4;
    const int dw = 1 + rng() % 40, dh = 1 + rng() % 30;
    const int w = 1 + rng() % 30, h = 1 + rng() % 20;
    Picture src(w, h), dst(dw, dh);
    for (uint32_t& v : src.Pixels()) v = rng() & 0xFFFFFF;
    for (uint32_t& v : dst.Pixels()) v = rng() & (iter % 2 ? 0xFFFFFFFF : 0xFFFFFF);
    Picture mask(maskMode == 2 ? dw : w, maskMode == 2 ? dh : h);
    for (uint32_t& v : mask.Pixels())
      v = rng() % 3 == 0 ? 0xFFFFFF : (rng() % 5 == 0 ? 0x000100 : 0);
    const int x = static_cast<int>(rng() % (dw + w + 4)) - w - 2;
    const int y = static_cast<int>(rng() % (dh + h + 4)) - h - 2;
    Picture want = dst;
    if (maskMode <= 2)
      for (int i = 0; i < h; ++i)
        for (int j = 0; j < w; ++j) {
          const int tx = x + j, ty = y + i;
          if (!want.Contains(tx, ty)) continue;
          const uint32_t m = maskMode == 0   ? 0
                             : maskMode == 1 ? mask.Pixel(j, i)
                                             : mask.Pixel(tx, ty);
          if (m == 0) want.SetPixel(tx, ty, Reference(mode, want.Pixel(tx, ty), src.Pixel(j, i)));
        }
    BlendEffect(mode, x, y, w, h, src, dst, mask, maskMode);
    ASSERT_EQ(dst.Pixels(), want.Pixels())
        << "mode " << mode << " mask " << maskMode << " at " << x << "," << y;
  }
}

TEST(Blend, EveryChannelValuePairOfThePerChannelModes) {
  // All 256 × 256 pairs in one channel, through the vector path (rows of 256).
  Picture src(256, 256), dst(256, 256), none;
  for (int mode = 4; mode < 9; ++mode) {
    for (int c = 0; c < 24; c += 8) {
      for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j) {
          dst.SetPixel(j, i, uint32_t(i) << c | 0x00808080u >> (c ? 0 : 8));
          src.SetPixel(j, i, uint32_t(j) << c);
        }
      Picture want = dst;
      for (uint32_t k = 0; k < want.Pixels().size(); ++k)
        want.Pixels()[k] = Reference(mode, want.Pixels()[k], src.Pixels()[k]);
      BlendEffect(mode, 0, 0, 256, 256, src, dst, none, 0);
      ASSERT_EQ(dst.Pixels(), want.Pixels()) << mode << " channel " << c;
    }
  }
}

TEST(Blend, EffectAtMinus100DrawsItsColumnsFrom100OnAtColumn0) {
  Picture src(300, 2), dst(640, 480, 0);
  for (int x = 0; x < 300; ++x) src.SetPixel(x, 0, x), src.SetPixel(x, 1, x);
  Picture none;
  BlendCopy(-100, 5, 300, 2, src, dst, none, 0);
  EXPECT_EQ(dst.Pixel(0, 5), 100u);
  EXPECT_EQ(dst.Pixel(199, 6), 299u);
  EXPECT_EQ(dst.Pixel(200, 6), 0u);
  EXPECT_EQ(dst.Pixel(0, 4), 0u);
}

TEST(Blend, NothingOutsideOrWithOtherMaskModesOrModes) {
  Picture src(4, 4, 0xFFFFFF), dst(8, 8, 0x010101), none;
  const Picture before = dst;
  BlendCopy(-5, 0, 4, 4, src, dst, none, 0);  // x + w < 0
  BlendCopy(0, -5, 4, 4, src, dst, none, 0);
  BlendCopy(8, 0, 4, 4, src, dst, none, 0);  // x >= width
  BlendCopy(0, 8, 4, 4, src, dst, none, 0);
  BlendCopy(0, 0, 4, 4, src, dst, none, 3);  // mask mode 3
  BlendCopy(0, 0, 4, 4, src, dst, none, -1);
  BlendEffect(9, 0, 0, 4, 4, src, dst, none, 0);
  BlendCopy(0, 0, 4, 4, src, dst, none, 1);  // mask mode 1 with an empty mask: nothing
  EXPECT_EQ(dst.Pixels(), before.Pixels());
  // w and h beyond the source are cut to it.
  BlendCopy(0, 0, 100, 100, src, dst, none, 0);
  EXPECT_EQ(dst.Pixel(3, 3), 0xFFFFFFu);
  EXPECT_EQ(dst.Pixel(4, 4), 0x010101u);
}

TEST(ColorKeyMask, WhiteExactlyOnTheKeyAndThosePixelsBlackInThePicture) {
  Picture p(3, 2);
  p.Pixels() = {0xFF0000, 0x00FF00, 0xFF0000, 0x123456, 0xFF0001, 0xFF0000};
  Picture mask(1, 1, 0x777777);
  test::RecordingSink sink;
  const int32_t key = ParseTransparencySpec("#TOP_LEFT", p, sink);
  EXPECT_EQ(key, 0x000000FF);
  BuildColorKeyMask(p, mask, static_cast<uint32_t>(key));
  EXPECT_EQ(mask.Width(), 3);
  EXPECT_EQ(mask.Height(), 2);
  EXPECT_EQ(mask.Pixels(), (PixelVector{0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0xFFFFFF}));
  EXPECT_EQ(p.Pixels(), (PixelVector{0, 0x00FF00, 0, 0x123456, 0xFF0001, 0}));
  // Only the low 24 bits are compared.
  Picture q(2, 1);
  q.Pixels() = {0xAB00FF00, 0x0000FF00};
  BuildColorKeyMask(q, mask, 0x0000FF00);
  EXPECT_EQ(mask.Pixels(), (PixelVector{0xFFFFFF, 0xFFFFFF}));
  EXPECT_EQ(q.Pixels(), (PixelVector{0, 0}));
}

TEST(FileMask, SizeMode0BlackensThePictureWhereTheMaskFileIsWhite) {
  test::TempDir dir;
  test::RecordingSink sink;
  // A 3 × 2 mask file: white, black, white / black, black, white.
  test::BmpOptions b24;
  const auto W = std::string("\xFF\xFF\xFF", 3), K = std::string(3, '\0');
  dir.Write("m.bmp", test::BuildBmp(3, 2, b24, {W + K + W, K + K + W}));
  Picture p(3, 2, 0x445566), mask, scratch;
  BuildFileMask(p, mask, "%DATA_DRIVE%/M.BMP", 0, scratch, GameFiles({}, dir.str()), sink);
  EXPECT_EQ(mask.Pixels(), (PixelVector{0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0xFFFFFF}));
  EXPECT_EQ(p.Pixels(), (PixelVector{0, 0x445566, 0, 0x445566, 0x445566, 0}));
  // Size mode 2 leaves the picture alone; the mask is the whole file.
  Picture q(2, 1, 0x445566);
  BuildFileMask(q, mask, "%DATA_DRIVE%/m.bmp", 2, scratch, GameFiles({}, dir.str()), sink);
  EXPECT_EQ(q.Pixels(), PixelVector(2, 0x445566));
  EXPECT_EQ(mask.Width(), 3);
  EXPECT_EQ(mask.Height(), 2);
  EXPECT_EQ(mask.Pixel(2, 1), 0xFFFFFFu);
  // A smaller picture than the mask file (size mode 0): only its rectangle changes.
  Picture r(1, 1, 0x445566);
  BuildFileMask(r, mask, "%DATA_DRIVE%/m.bmp", -3, scratch, GameFiles({}, dir.str()), sink);
  EXPECT_EQ(r.Pixel(0, 0), 0u);
  EXPECT_EQ(mask.Width(), 3);
  EXPECT_TRUE(sink.errors.empty());
  // A mask that cannot be read takes LoadPicture's path.
  EXPECT_THROW(
      BuildFileMask(r, mask, "%DATA_DRIVE%/none.bmp", 0, scratch, GameFiles({}, dir.str()), sink),
      ScriptException);
}

TEST(FileMask, MaskMode2IsIndexedByScreenPosition) {
  // A 640 × 480 mask, black only in the screen rectangle (100..109, 50..51).
  Picture mask(640, 480, 0xFFFFFF);
  mask.FillRect(100, 50, 10, 2, 0);
  Picture effect(20, 4, 0xABCDEF), screen(640, 480, 0);
  BlendCopy(95, 49, 20, 4, effect, screen, mask, 2);
  int drawn = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      if (screen.Pixel(x, y)) {
        ++drawn;
        EXPECT_TRUE(x >= 100 && x < 110 && y >= 50 && y < 52) << x << "," << y;
      }
  EXPECT_EQ(drawn, 20);
}

TEST(Tile, FillsTheTargetWithCopiesFromTheOrigin) {
  Picture tile(3, 2);
  tile.Pixels() = {1, 2, 3, 4, 5, 6};
  Picture target(7, 5, 0);
  TilePicture(tile, target);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(target.Pixel(x, y), tile.Pixel(x % 3, y % 2)) << x << "," << y;
  Picture empty;
  TilePicture(empty, target);
  TilePicture(tile, empty);
  EXPECT_TRUE(empty.Empty());
}

}  // namespace
}  // namespace korvana
