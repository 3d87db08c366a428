// FRL run-length pictures: every coding, runs across rows,
// and data that describes more than the picture holds.
#include "graphics/Frl.h"

#include <gtest/gtest.h>

#include <random>

#include "PictureFixtures.h"
#include "graphics/Picture.h"

namespace korvana {
namespace {

using test::BuildFrl;

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

PixelVector DecodeAll(const std::string& file) {
  Picture p;
  EXPECT_TRUE(DecodeFrl(Bytes(file), p));
  return p.Pixels();
}

std::string Rec(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

TEST(Frl, Coding24RunsContinueIntoTheNextRow) {
  // 3 × 2: a run of 4 (count 3) blue-ish, then 2 pixels of another colour.
  const std::string data = Rec({3, 0x11, 0x22, 0x33, 1, 0xAA, 0xBB, 0xCC});
  Picture p;
  ASSERT_TRUE(DecodeFrl(Bytes(BuildFrl(24, 3, 2, data)), p));
  ASSERT_EQ(p.Width(), 3);
  ASSERT_EQ(p.Height(), 2);
  // Bytes 0, 1, 2 of the pixel are blue, green, red.
  const uint32_t a = 0x332211, b = 0xCCBBAA;
  EXPECT_EQ(p.Pixels(), (PixelVector{a, a, a, a, b, b}));
}

TEST(Frl, Coding12) {
  // The format's example: 0x32 0xA5 gives three pixels blue 0x33, green 0x55, red 0xAA.
  EXPECT_EQ(DecodeAll(BuildFrl(12, 3, 1, Rec({0x32, 0xA5}))),
            (PixelVector(3, 0xAA5533)));
  // All sixteen levels of each channel, run 1.
  std::string data;
  PixelVector want;
  for (int v = 0; v < 16; ++v) {
    data += Rec({v << 4, ((15 - v) << 4) | (v ^ 5)});
    want.push_back(uint32_t(17 * (15 - v)) << 16 | uint32_t(17 * (v ^ 5)) << 8 | uint32_t(17 * v));
  }
  EXPECT_EQ(DecodeAll(BuildFrl(12, 4, 4, data)), want);
}

TEST(Frl, Coding10) {
  // b = 0b11_000010 (run 3), c = 0b1_101_0111: blue = 36 × ((3 << 1) | 1) = 252,
  // green = 17 × 7, red = 36 × 5.
  EXPECT_EQ(DecodeAll(BuildFrl(10, 3, 1, Rec({0xC2, 0xD7}))),
            (PixelVector(3, (180u << 16) | (119u << 8) | 252u)));
  // Every (b >> 6, c) combination with run 1.
  std::string data;
  PixelVector want;
  for (int hi = 0; hi < 4; ++hi)
    for (int c = 0; c < 256; ++c) {
      data += Rec({hi << 6, c});
      const uint32_t blue = 36 * ((hi << 1) | (c >> 7)), green = 17 * (c & 15), red = 36 * ((c >> 4) & 7);
      want.push_back(red << 16 | green << 8 | blue);
    }
  EXPECT_EQ(DecodeAll(BuildFrl(10, 32, 32, data)), want);
  // Run length 64 (b & 0x3F = 63).
  EXPECT_EQ(DecodeAll(BuildFrl(10, 8, 8, Rec({0x3F, 0x0F}))), PixelVector(64, 0xFFu << 8));
}

TEST(Frl, Coding18IsPlanarBlueThenGreenThenRed) {
  // The format's examples: 0xFF gives 0xFF for 4 pixels; 0x80 gives 0x82 for 1.
  // 5 pixels: blue plane 0xFF × 4 + 0x82 × 1; green plane 0x82 × 1, then a
  // run of 4 × 0x04 (byte 0x07 -> 0x04); red plane 0x0D -> 0x0C × 2, then 0xFE
  // -> 0xFF × 3 (0xFE & 0xFC = 0xFC, | 3 = 0xFF).
  const std::string data = Rec({0xFF, 0x80, 0x80, 0x07, 0x0D, 0xFE});
  const PixelVector got = DecodeAll(BuildFrl(18, 5, 1, data));
  const PixelVector want = {0x0C82FF, 0x0C04FF, 0xFF04FF, 0xFF04FF, 0xFF0482};
  EXPECT_EQ(got, want);
}

TEST(Frl, Coding18RunCrossesIntoTheNextPlaneAndStopsAfterRed) {
  // 3 pixels: one run of 4 blue-plane values spills one pixel into green.
  const std::string data = Rec({0x43, 0x01, 0x83, 0x83});
  // 0x43 -> 0x41 × 4: blue 0x41 × 3, green of pixel 0 = 0x41; 0x01 -> 0x00
  // × 2: green of pixels 1, 2; 0x83 -> 0x82 × 4: red × 3, the last is cut;
  // the rest is ignored.
  EXPECT_EQ(DecodeAll(BuildFrl(18, 3, 1, data)),
            (PixelVector{0x824141, 0x820041, 0x820041}));
}

TEST(Frl, RunsPastTheLastPixelAndLengthsBeyondTheFileAreCut) {
  // Count 255 on a 2 × 2 picture.
  EXPECT_EQ(DecodeAll(BuildFrl(24, 2, 2, Rec({255, 1, 2, 3, 0, 9, 9, 9}))),
            PixelVector(4, 0x030201));
  // The header claims 1000 bytes; the file holds one record.
  EXPECT_EQ(DecodeAll(BuildFrl(24, 2, 1, Rec({0, 1, 2, 3}), 1000)),
            (PixelVector{0x030201, 0}));
  // A length of 0xFFFFFFFF.
  EXPECT_EQ(DecodeAll(BuildFrl(12, 2, 1, Rec({0x01, 0x10}), 0xFFFFFFFFll)),
            PixelVector(2, 0x110000));
  // A half record at the end is not decoded.
  EXPECT_EQ(DecodeAll(BuildFrl(24, 2, 1, Rec({0, 1, 2, 3, 0, 5, 6}))),
            (PixelVector{0x030201, 0}));
  // Fewer pixels described than the picture has: the rest stays black.
  EXPECT_EQ(DecodeAll(BuildFrl(12, 3, 1, Rec({0x00, 0xFF}))), (PixelVector{0xFFFF00, 0, 0}));
}

TEST(Frl, UnknownCodingGivesABlackPictureOfTheHeaderSize) {
  Picture p(2, 2, 0x123456);
  ASSERT_TRUE(DecodeFrl(Bytes(BuildFrl(16, 4, 3, Rec({1, 2, 3, 4}))), p));
  EXPECT_EQ(p.Width(), 4);
  EXPECT_EQ(p.Height(), 3);
  EXPECT_EQ(p.Pixels(), PixelVector(12, 0));
}

TEST(Frl, BadSignatureShortHeaderAndBadSizesFailWithoutTouchingThePicture) {
  Picture p(2, 2, 0x123456);
  std::string bad = BuildFrl(24, 2, 2, "");
  bad[2] = 'X';
  EXPECT_FALSE(DecodeFrl(Bytes(bad), p));
  EXPECT_FALSE(DecodeFrl(Bytes(BuildFrl(24, 2, 2, "").substr(0, 39)), p));
  EXPECT_FALSE(DecodeFrl({}, p));
  EXPECT_FALSE(DecodeFrl(Bytes(BuildFrl(24, 0, 2, "")), p));
  EXPECT_FALSE(DecodeFrl(Bytes(BuildFrl(24, 2, -1, "")), p));
  EXPECT_FALSE(DecodeFrl(Bytes(BuildFrl(24, 60000, 60000, std::string(400, '\xFF'))), p));
  EXPECT_FALSE(DecodeFrl(Bytes(BuildFrl(24, kMaxPictureSide + 1, 1, "")), p));
  EXPECT_TRUE(DecodeFrl(Bytes(BuildFrl(24, kMaxPictureSide, 1, "")), p));
  p = Picture(2, 2, 0x123456);
  EXPECT_FALSE(DecodeFrl(Bytes(BuildFrl(24, 1, kMaxPictureSide + 1, "")), p));
  EXPECT_EQ(p.Pixels(), PixelVector(4, 0x123456));
  FrlHeader hd;
  ASSERT_TRUE(ReadFrlHeader(Bytes(BuildFrl(18, 7, 9, "", 77)), hd));
  EXPECT_EQ(hd.coding, 18);
  EXPECT_EQ(hd.width, 7);
  EXPECT_EQ(hd.height, 9);
  EXPECT_EQ(hd.length, 77u);
}

TEST(Frl, RandomDataInEveryCodingStaysInsideThePicture) {
  std::mt19937 rng(7);
  for (int coding : {24, 18, 12, 10}) {
    for (int i = 0; i < 200; ++i) {
      std::string data(rng() % 300, '\0');
      for (char& c : data) c = static_cast<char>(rng());
      Picture p;
      ASSERT_TRUE(DecodeFrl(Bytes(BuildFrl(coding, 1 + rng() % 20, 1 + rng() % 20, data, rng() % 400)), p));
      for (uint32_t v : p.Pixels()) EXPECT_EQ(v >> 24, 0u);
    }
  }
}

// Pixel-by-pixel model of the FRL decode, clipped at the last pixel.
PixelVector ReferenceDecode(int coding, int w, int h, const std::string& data) {
  PixelVector px(static_cast<size_t>(w) * h, 0);
  size_t at = 0;
  auto put = [&](uint32_t c, int n) {
    for (int i = 0; i < n && at < px.size(); ++i) px[at++] = c;
  };
  const auto* d = reinterpret_cast<const uint8_t*>(data.data());
  if (coding == 24)
    for (size_t k = 0; k + 4 <= data.size(); k += 4) put(d[k + 1] | d[k + 2] << 8 | d[k + 3] << 16, d[k] + 1);
  if (coding == 12)
    for (size_t k = 0; k + 2 <= data.size(); k += 2)
      put((d[k] >> 4) * 17 | ((d[k + 1] & 15) * 17) << 8 | ((d[k + 1] >> 4) * 17) << 16, (d[k] & 15) + 1);
  if (coding == 10)
    for (size_t k = 0; k + 2 <= data.size(); k += 2)
      put(36 * (((d[k] >> 6) << 1) | (d[k + 1] >> 7)) | (17 * (d[k + 1] & 15)) << 8 |
              (36 * ((d[k + 1] >> 4) & 7)) << 16,
          (d[k] & 63) + 1);
  if (coding == 18) {
    int plane = 0;
    for (size_t k = 0; k < data.size() && plane < 3; ++k)
      for (int i = 0; i < (d[k] & 3) + 1 && plane < 3; ++i) {
        px[at] = (px[at] & ~(0xFFu << (8 * plane))) | uint32_t((d[k] & 0xFC) | (d[k] >> 6)) << (8 * plane);
        if (++at == px.size()) at = 0, ++plane;
      }
  }
  return px;
}

TEST(Frl, RandomDataMatchesThePixelByPixelModel) {
  std::mt19937 rng(8);
  for (int coding : {24, 18, 12, 10}) {
    for (int i = 0; i < 400; ++i) {
      const int w = 1 + rng() % 12, h = 1 + rng() % 12;
      std::string data(rng() % (coding == 18 ? 3 * w * h + 8 : 2 * w * h + 8), '\0');
      for (char& c : data) c = static_cast<char>(rng());
      ASSERT_EQ(DecodeAll(BuildFrl(coding, w, h, data)), ReferenceDecode(coding, w, h, data))
          << coding << " " << w << "x" << h << " " << data.size();
    }
  }
}

// Pictures wide enough for many runs of every length before the data ends,
// which leaves the rest black.
TEST(Frl, LongAndShortRunsOnLargerPicturesMatchTheModel) {
  struct Case {
    int coding, w, h;
    double coverage;  // the data's records for this share of the pixels
  };
  const Case cases[] = {{24, 64, 48, 0.6}, {24, 33, 17, 1.3}, {12, 64, 48, 0.8},
                        {12, 17, 5, 1.1},  {10, 64, 48, 0.7}, {10, 40, 3, 1.2}};
  std::mt19937 rng(25);
  for (const Case& c : cases) {
    for (int round = 0; round < 30; ++round) {
      const int recordSize = c.coding == 24 ? 4 : 2;
      const int maxRun = c.coding == 24 ? 256 : c.coding == 12 ? 16 : 64;
      std::string data;
      for (double pixels = 0; pixels < c.coverage * c.w * c.h;) {
        // Mostly short runs, now and then one longer than a block.
        const int run = rng() % 4 ? 1 + static_cast<int>(rng() % 16)
                                  : 1 + static_cast<int>(rng() % maxRun);
        std::string record(recordSize, '\0');
        for (char& b : record) b = static_cast<char>(rng());
        if (c.coding == 24) record[0] = static_cast<char>(run - 1);
        if (c.coding == 12) record[0] = static_cast<char>((record[0] & 0xF0) | (run - 1));
        if (c.coding == 10) record[0] = static_cast<char>((record[0] & 0xC0) | (run - 1));
        data += record;
        pixels += run;
      }
      ASSERT_EQ(DecodeAll(BuildFrl(c.coding, c.w, c.h, data)),
                ReferenceDecode(c.coding, c.w, c.h, data))
          << c.coding << " " << c.w << "x" << c.h << " round " << round;
    }
  }
}

// Coding 18 on pictures of several thousand pixels, which the decoder works
// through a few thousand at a time: runs that cross from one stretch into the
// next or from one plane into the next, planes that end part-way through a
// stretch, and data that ends in each plane (exactly on a pixel or with more
// records than the picture has).
TEST(Frl, Coding18OnLargerPicturesMatchesTheModelWhereverTheDataEnds) {
  struct Case {
    const char* what;
    int w, h;
    double ends;  // where the data ends, in planes (3 = all of red)
    bool exact;   // the last record stops on that pixel (else its run goes past)
  };
  const Case cases[] = {
      {"one stretch exactly", 64, 64, 3, true},
      {"planes end mid-stretch", 100, 50, 3, true},
      {"many stretches, extra records", 640, 21, 3.5, false},
      {"ends in blue's second stretch", 100, 50, 0.9, true},
      {"ends one pixel into green", 100, 50, 1 + 1 / 5000.0, true},
      {"ends in green, run cut", 100, 50, 1.7, false},
      {"ends on green's last pixel", 100, 50, 2, true},
      {"ends in red", 100, 50, 2.95, false},
      {"one pixel short of the end", 73, 61, 3 - 1 / (73.0 * 61), true},
      {"narrow and tall", 2, 4500, 3, false},
  };
  std::mt19937 rng(18);
  for (const Case& c : cases) {
    const size_t target = static_cast<size_t>(c.ends * c.w * c.h + 0.5);
    for (int round = 0; round < 20; ++round) {
      std::string data;
      for (size_t pixels = 0; pixels < target;) {
        int run = 1 + static_cast<int>(rng() % 4);
        if (c.exact) run = static_cast<int>(std::min<size_t>(run, target - pixels));
        data += static_cast<char>((rng() & 0xFC) | (run - 1));
        pixels += run;
      }
      ASSERT_EQ(DecodeAll(BuildFrl(18, c.w, c.h, data)), ReferenceDecode(18, c.w, c.h, data))
          << c.what << ", round " << round;
    }
  }
}

// A picture decoded into again keeps nothing of what it held, whether it had
// the same number of pixels (in the same or another shape) or not.
TEST(Frl, DecodingIntoAPictureThatHeldAnotherGivesTheSamePixels) {
  struct Case {
    int coding, oldW, oldH;
    size_t records;  // how many records of random data (few: the rest stays black)
  };
  const Case cases[] = {{18, 40, 30, 5000}, {18, 40, 30, 700},  {18, 30, 40, 2000},
                        {18, 7, 7, 3000},   {18, 40, 30, 0},    {24, 40, 30, 200},
                        {12, 60, 20, 900},  {10, 40, 30, 30},   {18, 1, 1, 2}};
  std::mt19937 rng(30);
  for (const Case& c : cases) {
    const size_t size = c.coding == 24 ? 4 : c.coding == 18 ? 1 : 2;
    std::string data(c.records * size, '\0');
    for (char& b : data) b = static_cast<char>(rng());
    const std::string file = BuildFrl(c.coding, 40, 30, data);
    Picture used(c.oldW, c.oldH, 0x00ABCDEF);
    ASSERT_TRUE(DecodeFrl(Bytes(file), used));
    EXPECT_EQ(used.Width(), 40);
    EXPECT_EQ(used.Height(), 30);
    EXPECT_EQ(used.Pixels(), DecodeAll(file))
        << c.coding << " over " << c.oldW << "x" << c.oldH << ", " << c.records << " records";
  }
}

}  // namespace
}  // namespace korvana
