// MAG and the engine's own variant, through MagToBmp and the BMP
// reader as LoadPicture uses them.
#include "graphics/Mag.h"

#include <gtest/gtest.h>

#include "PictureFixtures.h"
#include "graphics/ImageDecoders.h"
#include "graphics/Picture.h"

namespace korvana {
namespace {

using test::EncodeMag;
using test::MagImage;
using test::MagOptions;
using test::MakeMagImage;

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// Converts and reads the BMP; fails the test when either step fails.
Picture Decode(const std::string& file) {
  std::vector<uint8_t> bmp;
  bool probed = false;
  EXPECT_TRUE(MagToBmp::ConvertToBmp(Bytes(file), bmp, &probed));
  EXPECT_TRUE(probed);
  Picture p;
  std::string error;
  EXPECT_TRUE(DecodeBmp(bmp, p, error)) << error;
  return p;
}

void ExpectPixels(const MagImage& img, const Picture& p) {
  ASSERT_EQ(p.Width(), img.width);
  ASSERT_EQ(p.Height(), img.height);
  int wrong = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      if (p.Pixel(x, y) != img.Color(x, y) && ++wrong < 5)
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << p.Pixel(x, y)
                      << ", expected " << img.Color(x, y);
  EXPECT_EQ(wrong, 0);
}

TEST(Mag, DecodesEveryPixelIn256And16ColoursUsingEveryCopyEntry) {
  struct Case {
    bool colors256;
    int width, height;
  } cases[] = {
      {true, 40, 37},   // F = 10: flag A bits run across row ends
      {true, 640, 40},
      {false, 24, 33},  // F = 3
      {false, 64, 50},
  };
  for (const Case& c : cases) {
    for (int salt = 0; salt < 3; ++salt) {
      SCOPED_TRACE(testing::Message() << c.colors256 << " " << c.width << "x" << c.height << " salt " << salt);
      MagImage img = MakeMagImage(c.colors256, c.width, c.height, 1234 + salt);
      MagOptions opt;
      opt.salt = salt;
      test::MagFile f = EncodeMag(img, opt);
      for (int n = 0; n < 16; ++n) EXPECT_GT(f.nibbleUse[n], 0) << "flag nibble " << n << " unused";
      ExpectPixels(img, Decode(f.bytes));
    }
  }
}

TEST(Mag, LiteralOnlyAndUniformPictures) {
  MagImage img = MakeMagImage(true, 16, 8, 7, 1);
  MagOptions literal;
  literal.copies = false;
  ExpectPixels(img, Decode(EncodeMag(img, literal).bytes));
  // One colour everywhere: almost all copies.
  std::fill(img.bytes.begin(), img.bytes.end(), 5);
  ExpectPixels(img, Decode(EncodeMag(img).bytes));
}

TEST(Mag, PaletteIsGreenRedBlueInTheFileAndBecomesTheBmpPalette) {
  MagImage img = MakeMagImage(false, 8, 1, 3);
  for (int i = 0; i < 16; ++i) img.rgb[i] = {uint8_t(0x10 + i), uint8_t(0x80 + i), uint8_t(0xE0 + i)};
  for (int i = 0; i < 4; ++i) img.bytes[i] = static_cast<uint8_t>(((2 * i) << 4) | (2 * i + 1));
  const std::string file = EncodeMag(img).bytes;
  std::vector<uint8_t> bmp;
  ASSERT_TRUE(MagToBmp::ConvertToBmp(Bytes(file), bmp));
  // BMP file and information headers.
  ASSERT_EQ(bmp.size(), 54u + 64 + 4);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(bmp[2] | bmp[3] << 8, 54 + 64 + 4);
  EXPECT_EQ(bmp[10], 54 + 64);
  EXPECT_EQ(bmp[14], 40);
  EXPECT_EQ(bmp[18], 8);   // width
  EXPECT_EQ(bmp[22], 1);   // height, positive
  EXPECT_EQ(bmp[26], 1);   // planes
  EXPECT_EQ(bmp[28], 4);   // bits
  for (int i = 30; i < 54; ++i) EXPECT_EQ(bmp[i], 0) << i;
  // Palette entry 3: blue, green, red, 0.
  EXPECT_EQ(bmp[54 + 12], 0xE3);
  EXPECT_EQ(bmp[54 + 13], 0x83);
  EXPECT_EQ(bmp[54 + 14], 0x13);
  EXPECT_EQ(bmp[54 + 15], 0);
  Picture p = Decode(file);
  for (int x = 0; x < 8; ++x) EXPECT_EQ(p.Pixel(x, 0), 0x1080E0u + 0x010101u * x) << x;
}

TEST(Mag, OwnSignatureDecodesLikeMaki02) {
  MagImage img = MakeMagImage(true, 32, 20, 99);
  MagOptions own;
  own.ownSignature = true;
  const std::string a = EncodeMag(img).bytes, b = EncodeMag(img, own).bytes;
  ASSERT_EQ(b.substr(0, 8), "KRVIF1  ");
  ASSERT_EQ(a.substr(8), b.substr(8));
  std::vector<uint8_t> bmpA, bmpB;
  ASSERT_TRUE(MagToBmp::ConvertToBmp(Bytes(a), bmpA));
  ASSERT_TRUE(MagToBmp::ConvertToBmp(Bytes(b), bmpB));
  EXPECT_EQ(bmpA, bmpB);
}

TEST(Mag, AlignsX0AndX1To8PixelsFor16ColoursAnd4For256) {
  {
    MagImage img = MakeMagImage(false, 16, 4, 5);
    MagOptions opt;
    opt.x0 = 3;
    opt.x1 = 12;
    test::MagFile f = EncodeMag(img, opt);
    MagInfo info;
    ASSERT_EQ(MagCheckHeader(Bytes(f.bytes), &info), kMagGood);
    EXPECT_EQ(info.alignedX0, 0u);
    EXPECT_EQ(info.alignedX1, 15u);
    EXPECT_EQ(info.width, 16u);
    EXPECT_EQ(info.bytesPerLine, 8u);
    EXPECT_EQ(info.flagBytesPerLine, 2u);
    ExpectPixels(img, Decode(f.bytes));
  }
  {
    MagImage img = MakeMagImage(true, 12, 3, 6);
    MagOptions opt;
    opt.x0 = 101;  // X0 = 100
    opt.x1 = 109;  // X1 = 111
    test::MagFile f = EncodeMag(img, opt);
    MagInfo info;
    ASSERT_EQ(MagCheckHeader(Bytes(f.bytes), &info), kMagGood);
    EXPECT_EQ(info.alignedX0, 100u);
    EXPECT_EQ(info.alignedX1, 111u);
    EXPECT_EQ(info.width, 12u);
    ExpectPixels(img, Decode(f.bytes));
  }
}

TEST(Mag, HeaderCheckCodes) {
  MagImage img = MakeMagImage(true, 16, 4, 8);
  const test::MagFile good = EncodeMag(img);
  const std::string& s = good.bytes;
  EXPECT_EQ(MagCheckHeader(Bytes(s)), kMagGood);

  // 2: no 0x1A, or fewer than H + 32 bytes.
  std::string noEof = s.substr(0, good.h - 1);
  EXPECT_EQ(MagCheckHeader(Bytes(noEof)), kMagNoHeader);
  EXPECT_EQ(MagCheckHeader(Bytes(s.substr(0, good.h + 31))), kMagNoHeader);
  EXPECT_EQ(MagCheckHeader({}), kMagNoHeader);
  // 3: signature.
  std::string badSig = s;
  badSig[5] = '3';
  EXPECT_EQ(MagCheckHeader(Bytes(badSig)), kMagBadSignature);
  std::string lowerSig = s;
  lowerSig[0] = 'm';
  EXPECT_EQ(MagCheckHeader(Bytes(lowerSig)), kMagBadSignature);
  // 4: top byte, X0 >= X1.
  std::string top = s;
  top[good.h] = 1;
  EXPECT_EQ(MagCheckHeader(Bytes(top)), kMagBadHeader);
  std::string flat = s;
  flat[good.h + 8] = 2;  // x1 = 2: X1 = 3 > X0 = 0, still good
  flat[good.h + 9] = 0;
  EXPECT_NE(MagCheckHeader(Bytes(flat)), kMagBadHeader);
  flat[good.h + 4] = 3;  // x0 = 3: X0 = 0 ... still below
  flat[good.h + 4] = 4;  // x0 = 4: X0 = 4 >= X1 = 3
  EXPECT_EQ(MagCheckHeader(Bytes(flat)), kMagBadHeader);
  // 1: data past the end (the last pixel byte cut off).
  EXPECT_EQ(MagCheckHeader(Bytes(s.substr(0, s.size() - 1))), kMagTooShort);
  std::string bigB = s;
  test::Set32(bigB, good.h + 20, good.flagBSize + 1000);
  EXPECT_EQ(MagCheckHeader(Bytes(bigB)), kMagTooShort);
  std::string bigA = s;
  test::Set32(bigA, good.h + 12, 0xFFFFFFF0u);
  EXPECT_EQ(MagCheckHeader(Bytes(bigA)), kMagTooShort);
}

TEST(Mag, ProbeAcceptsDataPastTheEndButConversionFails) {
  MagImage img = MakeMagImage(true, 16, 4, 9);
  const std::string s = EncodeMag(img).bytes;
  const std::string cut = s.substr(0, s.size() - 3);
  EXPECT_EQ(MagToBmp::ProbeSize(Bytes(cut)), 54u + 1024 + 16 * 4);
  std::vector<uint8_t> out(MagToBmp::ProbeSize(Bytes(cut)));
  EXPECT_EQ(MagToBmp::Convert(Bytes(cut), out), -1);
  bool probed = false;
  std::vector<uint8_t> bmp;
  EXPECT_FALSE(MagToBmp::ConvertToBmp(Bytes(cut), bmp, &probed));
  EXPECT_TRUE(probed);
  // Bad signature: the probe says 0.
  std::string bad = s;
  bad[0] = 'X';
  EXPECT_EQ(MagToBmp::ProbeSize(Bytes(bad)), 0u);
  EXPECT_EQ(MagToBmp::ProbeSize(Bytes(s.substr(0, 20))), 0u);
  // The output buffer must hold the BMP.
  std::vector<uint8_t> small(MagToBmp::ProbeSize(Bytes(s)) - 1);
  EXPECT_EQ(MagToBmp::Convert(Bytes(s), small), -1);
}

TEST(Mag, PaletteOutsideTheFileFails) {
  // A 256-colour header whose data offsets point into a short palette area.
  MagImage img = MakeMagImage(false, 8, 1, 10);
  test::MagFile f = EncodeMag(img);
  std::string s = f.bytes;
  s[f.h + 3] = static_cast<char>(0x80);  // now claims 256 colours: B = 8, palette 768 bytes
  ASSERT_LT(s.size(), f.h + 800);
  EXPECT_EQ(MagCheckHeader(Bytes(s)), kMagGood);
  std::vector<uint8_t> bmp;
  bool probed = false;
  EXPECT_FALSE(MagToBmp::ConvertToBmp(Bytes(s), bmp, &probed));
  EXPECT_TRUE(probed);
}

// Hand-made 256-colour file: 8 × rows, F = 2, with given flag A, flag B and
// pixel bytes (the palette maps index i to 0x00iiiiii).
std::string HandMag(int rows, const std::string& flagA, const std::string& flagB,
                    const std::string& pixels) {
  std::string s = "MAKI02  PC98" + std::string(19, ' ') + "\x1A";
  s += std::string(3, '\0');
  s += static_cast<char>(0x80);  // 256 colours
  test::Put16(s, 0);
  test::Put16(s, 0);
  test::Put16(s, 7);  // W = 8, B = 8, F = 2
  test::Put16(s, static_cast<uint32_t>(rows - 1));
  const uint32_t a = 32 + 768;
  test::Put32(s, a);
  test::Put32(s, a + static_cast<uint32_t>(flagA.size()));
  test::Put32(s, static_cast<uint32_t>(flagB.size()));
  test::Put32(s, a + static_cast<uint32_t>(flagA.size() + flagB.size()));
  test::Put32(s, static_cast<uint32_t>(pixels.size()));
  for (int i = 0; i < 256; ++i) s += std::string(3, static_cast<char>(i));
  return s + flagA + flagB + pixels;
}

TEST(Mag, FlagZeroAfterXorTakesFourNewBytes) {
  // Row 0: flag byte 0 gets 0x11 (two copies of the unit to the left... which
  // does not exist for unit 0, so use flag 0x01: left unit new, right unit
  // copied from the left). Row 1: flag B 0x01 again: 0x01 ^ 0x01 = 0 -> four
  // new bytes.
  // Flag A bits: row 0: 1, 0; row 1: 1, 0 -> 0b1010_0000.
  const std::string pixels = std::string("\x01\x02") + "\x03\x04\x05\x06" +
                             "\x07\x08\x09\x0A" + "\x0B\x0C\x0D\x0E";
  const std::string s = HandMag(2, std::string("\xA0", 1), "\x01\x01", pixels);
  ASSERT_EQ(MagCheckHeader(Bytes(s)), kMagGood);
  Picture p = Decode(s);
  const uint32_t row0[8] = {1, 2, 1, 2, 3, 4, 5, 6}, row1[8] = {7, 8, 9, 10, 11, 12, 13, 14};
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(p.Pixel(x, 0), row0[x] * 0x010101u) << x;
    EXPECT_EQ(p.Pixel(x, 1), row1[x] * 0x010101u) << x;
  }
}

TEST(Mag, CopiesFromOutsideThePictureAreRejected) {
  // Flag 0x10 on the first unit of a row: dx = 1 left of the row start.
  EXPECT_EQ(
      MagToBmp::ProbeSize(Bytes(HandMag(1, std::string("\x80", 1), "\x10", std::string(6, 'x')))),
      54u + 1024 + 8);
  std::vector<uint8_t> bmp;
  EXPECT_FALSE(MagToBmp::ConvertToBmp(
      Bytes(HandMag(1, std::string("\x80", 1), "\x10", std::string(6, 'x'))), bmp));
  // Flag 0x04 in row 0: dy = 1 above the first row.
  EXPECT_FALSE(MagToBmp::ConvertToBmp(
      Bytes(HandMag(1, std::string("\x80", 1), "\x04", std::string(6, 'x'))), bmp));
  // Flag 0xF0 in row 15 (dy = 16) is outside; in row 16 it is inside.
  EXPECT_TRUE(MagToBmp::ConvertToBmp(
      Bytes(HandMag(16, std::string(16, '\0'), "", std::string(16 * 8, 'y'))), bmp));
  std::string a16(16, '\0');
  a16[3] = static_cast<char>(0x02);  // row 15, flag byte 0: bit 30
  EXPECT_FALSE(
      MagToBmp::ConvertToBmp(Bytes(HandMag(16, a16, "\xF0", std::string(16 * 8, 'y'))), bmp));
  std::string a17(17, '\0');
  a17[4] = static_cast<char>(0x80);  // row 16, flag byte 0: bit 32
  std::string px(17 * 8 - 2, 'z');
  px[0] = 'q';
  EXPECT_TRUE(MagToBmp::ConvertToBmp(Bytes(HandMag(17, a17, "\xF0", px)), bmp));
  Picture p;
  std::string error;
  ASSERT_TRUE(DecodeBmp(bmp, p, error));
  EXPECT_EQ(p.Pixel(0, 16), uint32_t{'q'} * 0x010101u);  // copied from row 0
  EXPECT_EQ(p.Pixel(1, 16), uint32_t{'z'} * 0x010101u);
}

TEST(Mag, FlagBAndPixelDataRunningPastTheFileFail) {
  std::vector<uint8_t> bmp;
  // Flag A says flag B bytes follow, but the file ends.
  std::string s = HandMag(1, std::string("\xC0", 1), "", "");
  EXPECT_FALSE(MagToBmp::ConvertToBmp(Bytes(s), bmp));
  // Pixel data short by one byte (size field matches what is there).
  s = HandMag(1, std::string("\x00", 1), "", std::string(7, 'p'));
  EXPECT_FALSE(MagToBmp::ConvertToBmp(Bytes(s), bmp));
  s = HandMag(1, std::string("\x00", 1), "", std::string(8, 'p'));
  EXPECT_TRUE(MagToBmp::ConvertToBmp(Bytes(s), bmp));
}

TEST(Mag, OversizedAndEmptyHeadersAreRefusedBeforeAllocating) {
  MagImage img = MakeMagImage(true, 16, 4, 11);
  test::MagFile f = EncodeMag(img);
  std::string s = f.bytes;
  // 60000 × 60000.
  s[f.h + 8] = static_cast<char>(60000 & 0xFF);
  s[f.h + 9] = static_cast<char>(60000 >> 8);
  s[f.h + 10] = static_cast<char>(59999 & 0xFF);
  s[f.h + 11] = static_cast<char>(59999 >> 8);
  EXPECT_EQ(MagCheckHeader(Bytes(s)), kMagBadHeader);
  EXPECT_EQ(MagToBmp::ProbeSize(Bytes(s)), 0u);
  // y1 = y0 - 1: height 0.
  s = f.bytes;
  s[f.h + 6] = 5;
  s[f.h + 10] = 4;
  s[f.h + 11] = 0;
  EXPECT_EQ(MagCheckHeader(Bytes(s)), kMagBadHeader);
  // y1 < y0 - 1 wraps in 16 bits to a huge height.
  s[f.h + 10] = 0;
  EXPECT_EQ(MagCheckHeader(Bytes(s)), kMagBadHeader);
}

}  // namespace
}  // namespace korvana
