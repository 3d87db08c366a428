// LoadPicture: extension rules, the file resolver, every
// format pixel for pixel, and the error paths.
#include <gtest/gtest.h>
#include <zlib.h>

#include <random>

#include "PictureFixtures.h"
#include "TempDir.h"
#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/FileResolver.h"
#include "core/SdlLibrary.h"
#include "graphics/Picture.h"
#include "graphics/PictureLoader.h"

namespace korvana {
namespace {

using test::BmpOptions;
using test::BuildBmp;
using test::BuildFrl;
using test::EncodeJpeg;
using test::EncodeMag;
using test::EncodePng;
using test::MakeMagImage;
using test::PngOptions;
using test::RecordingSink;
using test::TempDir;

class Loader : public ::testing::Test {
 protected:
  // Loads `name` (relative to the temporary folder through %DATA_DRIVE%).
  void Load(const std::string& name, Picture& p) {
    LoadPicture("%DATA_DRIVE%/" + name, p, GameFiles({}, dir.str()), sink,
                [this](const std::string& text) { warnings.push_back(text); });
  }
  Picture Load(const std::string& name) {
    Picture p;
    Load(name, p);
    return p;
  }
  // Writes `bytes` as `name` and loads it; the load must succeed silently.
  Picture WriteAndLoad(const std::string& name, const std::string& bytes) {
    dir.Write(name, bytes);
    Picture p = Load(name);
    EXPECT_TRUE(sink.errors.empty()) << name;
    EXPECT_TRUE(warnings.empty()) << name;
    return p;
  }
  std::string Full(const std::string& name) const { return dir.str() + "/" + name; }
  // The ScriptException of loading `name`, or "" when none was thrown.
  std::string LoadError(const std::string& name, Picture& p) {
    try {
      Load(name, p);
    } catch (const ScriptException& e) {
      return e.what();
    }
    return "";
  }

  TempDir dir;
  RecordingSink sink;
  std::vector<std::string> warnings;
};

std::string Row(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

void ExpectTopBytesZero(const Picture& p) {
  for (uint32_t v : p.Pixels()) ASSERT_EQ(v >> 24, 0u);
}

// ------------------------------------------------------------ extensions --

TEST(PictureExtension, LowerCasesFromTheLastDotAndLeavesTrailBytes) {
  EXPECT_EQ(PictureExtension("PIC.JPG"), ".jpg");
  EXPECT_EQ(PictureExtension("a.b.PnG"), ".png");
  EXPECT_EQ(PictureExtension("noext"), "");
  EXPECT_EQ(PictureExtension("dir.d\\file"), ".d\\file");
  // 0x83 0x41 is one character ("ア"); its trail byte 'A' stays.
  EXPECT_EQ(PictureExtension("x.\x83\x41G"), ".\x83\x41g");
  struct Case {
    const char* name;
    PictureFormat format;
  } cases[] = {
      {"a.bmp", PictureFormat::Bmp},     {"A.BMP", PictureFormat::Bmp},
      {"a.jpg", PictureFormat::Jpeg},    {"a.JPG", PictureFormat::Jpeg},
      {"a.jpeg", PictureFormat::None},   {"a.JPEG", PictureFormat::None},
      {"a.png", PictureFormat::Png},     {"a.mag", PictureFormat::Mag},
      {"a.HIM", PictureFormat::Mag},     {"a.frl", PictureFormat::Frl},
      {"a.Frl", PictureFormat::Frl},     {"a", PictureFormat::None},
      {"a.", PictureFormat::None},       {".bmp", PictureFormat::Bmp},
      {"a.gif", PictureFormat::None},    {"a.bmp.txt", PictureFormat::None},
      {"a.txt.bmp", PictureFormat::Bmp},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatForName(c.name), c.format) << c.name;
}

TEST_F(Loader, UpperAndLowerCaseJpgBothLoadAsJpeg) {
  const std::string jpeg =
      EncodeJpeg(4, 4, true, std::vector<std::string>(4, std::string(4, '\x80')));
  for (const char* name : {"PIC.JPG", "pic.jpg"}) {
    Picture p = WriteAndLoad(name, jpeg);
    EXPECT_EQ(p.Width(), 4) << name;
  }
}

TEST_F(Loader, JpegExtensionAndUnknownExtensionsLoadNothing) {
  dir.Write("pic.jpeg", EncodeJpeg(4, 4, true, std::vector<std::string>(4, std::string(4, 'x'))));
  for (const char* name : {"pic.jpeg", "missing.gif", "noext", "missing.jpeg"}) {
    Picture p(3, 3, 0x123456);
    Load(name, p);
    EXPECT_EQ(p.Width(), 3) << name;
    EXPECT_EQ(p.Pixels(), PixelVector(9, 0x123456)) << name;
  }
  EXPECT_TRUE(sink.errors.empty());
}

TEST_F(Loader, FileNamesGoThroughTheResolver) {
  // Backslashes and any letter case, as games written on Windows name files.
  dir.Write("Sub/Pic.Frl", BuildFrl(24, 1, 1, Row({0, 1, 2, 3})));
  Picture p = Load("SUB\\PIC.FRL");
  EXPECT_TRUE(sink.errors.empty());
  ASSERT_EQ(p.Width(), 1);
  EXPECT_EQ(p.Pixel(0, 0), 0x030201u);
  // A CP932 name: "画像.frl".
  dir.Write("画像.frl", BuildFrl(24, 1, 1, Row({0, 9, 9, 9})));
  p = Load(J("画像.FRL"));
  EXPECT_TRUE(sink.errors.empty());
  EXPECT_EQ(p.Pixel(0, 0), 0x090909u);
}

TEST_F(Loader, OnlyTheFirstDataDriveTokenIsReplaced) {
  dir.Write("x%DATA_DRIVE%y.frl", BuildFrl(24, 2, 1, Row({1, 5, 6, 7})));
  Picture p = Load("x%DATA_DRIVE%y.frl");
  EXPECT_TRUE(sink.errors.empty());
  EXPECT_EQ(p.Pixels(), (PixelVector{0x070605, 0x070605}));
  // The message names the file after the replacement.
  Load("a%DATA_DRIVE%.frl", p);
  ASSERT_EQ(sink.errors.size(), 1u);
  EXPECT_EQ(sink.errors[0], J("画像が読めません:") + Full("a%DATA_DRIVE%.frl"));
}

// ------------------------------------------------------------------- BMP --

TEST_F(Loader, BmpEveryBitDepth) {
  const std::vector<uint32_t> pal2 = {0x102030, 0xF0E0D0};
  const std::vector<uint32_t> pal16 = [] {
    std::vector<uint32_t> v;
    for (uint32_t i = 0; i < 16; ++i) v.push_back(0x010203 * i);
    return v;
  }();
  struct Case {
    const char* name;
    BmpOptions opt;
    std::vector<std::string> rows;
    PixelVector want;  // 3 × 2, top row first
    int tolerance = 0;           // per channel
  };
  BmpOptions b1;
  b1.bits = 1;
  b1.palette = pal2;
  BmpOptions b4;
  b4.bits = 4;
  b4.palette = pal16;
  BmpOptions b8;
  b8.bits = 8;
  b8.palette = pal16;
  BmpOptions b8top = b8;
  b8top.topDown = true;
  BmpOptions b16;
  b16.bits = 16;  // X1R5G5B5
  BmpOptions b565;
  b565.bits = 16;
  b565.compression = 3;
  b565.masks = {0xF800, 0x07E0, 0x001F};
  BmpOptions b24;
  BmpOptions b32;
  b32.bits = 32;
  BmpOptions b32top = b32;
  b32top.topDown = true;
  const Case cases[] = {
      {"1bit.bmp",
       b1,
       {Row({0b10100000}), Row({0b01000000})},
       {0xF0E0D0, 0x102030, 0xF0E0D0, 0x102030, 0xF0E0D0, 0x102030}},
      {"4bit.bmp",
       b4,
       {Row({0x12, 0x30}), Row({0xF0, 0x5F})},
       {0x010203, 0x020406, 0x030609, 0x0F1E2D, 0x000000, 0x050A0F}},
      {"8bit.bmp",
       b8,
       {Row({1, 2, 3}), Row({15, 0, 5})},
       {0x010203, 0x020406, 0x030609, 0x0F1E2D, 0x000000, 0x050A0F}},
      {"8top.bmp",
       b8top,
       {Row({1, 2, 3}), Row({15, 0, 5})},
       {0x010203, 0x020406, 0x030609, 0x0F1E2D, 0x000000, 0x050A0F}},
      // 555: 0x7C00 red, 0x03E0 green, 0x001F blue, 0x7FFF white.
      {"16bit.bmp",
       b16,
       {Row({0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00}), Row({0xFF, 0x7F, 0, 0, 0xFF, 0x7F})},
       {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFFFFFF},
       1},
      {"565.bmp",
       b565,
       {Row({0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00}), Row({0xFF, 0xFF, 0, 0, 0xFF, 0xFF})},
       {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000, 0xFFFFFF},
       1},  // SDL: 6-bit 63 -> 0xFE
      // 24 bits: blue, green, red.
      {"24bit.bmp",
       b24,
       {Row({1, 2, 3, 4, 5, 6, 7, 8, 9}), Row({0xFF, 0, 0, 0, 0xFF, 0, 0, 0, 0xFF})},
       {0x030201, 0x060504, 0x090807, 0x0000FF, 0x00FF00, 0xFF0000}},
      // 32 bits: the fourth byte (zero or not) is dropped.
      {"32bit.bmp",
       b32,
       {Row({1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0}), Row({9, 9, 9, 0, 0, 0, 0, 0, 1, 1, 1, 0})},
       {0x030201, 0x060504, 0x090807, 0x090909, 0, 0x010101}},
      {"32alpha.bmp",
       b32top,
       {Row({1, 2, 3, 0x80, 4, 5, 6, 0xFF, 7, 8, 9, 0}), Row({9, 9, 9, 1, 0, 0, 0, 2, 1, 1, 1, 3})},
       {0x030201, 0x060504, 0x090807, 0x090909, 0, 0x010101}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Picture p = WriteAndLoad(c.name, BuildBmp(3, 2, c.opt, c.rows));
    ASSERT_EQ(p.Width(), 3);
    ASSERT_EQ(p.Height(), 2);
    for (int i = 0; i < 6; ++i)
      for (int ch = 0; ch < 24; ch += 8)
        EXPECT_NEAR(int(p.Pixels()[i] >> ch & 0xFF), int(c.want[i] >> ch & 0xFF), c.tolerance) << i;
    ExpectTopBytesZero(p);
  }
}

TEST_F(Loader, BmpRunLengthEncoded) {
  std::vector<uint32_t> pal;
  for (uint32_t i = 0; i < 16; ++i) pal.push_back(0x111111 * i);
  // RLE8, 4 × 2, bottom row first: row 1 = run of 4 × index 2; row 0 =
  // absolute 3 pixels (1, 5, 7) then a run of 1 × 9.
  BmpOptions rle8;
  rle8.bits = 8;
  rle8.compression = 1;
  rle8.palette = pal;
  const std::string d8 = Row({4, 2, 0, 0, 0, 3, 1, 5, 7, 0, 1, 9, 0, 1});
  Picture p = WriteAndLoad("rle8.bmp", BuildBmp(4, 2, rle8, {}, &d8));
  EXPECT_EQ(p.Pixels(), (PixelVector{0x111111, 0x555555, 0x777777, 0x999999, 0x222222,
                                               0x222222, 0x222222, 0x222222}));
  // RLE4, 4 × 1: run of 3 alternating 0xAB (A, B, A), then a run of 1 × C.
  BmpOptions rle4;
  rle4.bits = 4;
  rle4.compression = 2;
  rle4.palette = pal;
  const std::string d4 = Row({3, 0xAB, 1, 0xC0, 0, 0, 0, 1});
  p = WriteAndLoad("rle4.bmp", BuildBmp(4, 1, rle4, {}, &d4));
  EXPECT_EQ(p.Pixels(), (PixelVector{0xAAAAAA, 0xBBBBBB, 0xAAAAAA, 0xCCCCCC}));
}

TEST_F(Loader, BmpWithOs2CoreHeader) {
  // BITMAPCOREHEADER: 12 bytes, 16-bit sizes, 3-byte palette entries.
  std::string s = "BM";
  test::Put32(s, 14 + 12 + 6 + 4);
  test::Put32(s, 0);
  test::Put32(s, 14 + 12 + 6);
  test::Put32(s, 12);
  test::Put16(s, 2);
  test::Put16(s, 1);
  test::Put16(s, 1);
  test::Put16(s, 1);
  s += Row({0x30, 0x20, 0x10, 0xD0, 0xE0, 0xF0});  // blue, green, red
  s += Row({0x40, 0, 0, 0});                       // pixels 0, 1
  Picture p = WriteAndLoad("os2.bmp", s);
  EXPECT_EQ(p.Pixels(), (PixelVector{0x102030, 0xF0E0D0}));
}

// ------------------------------------------------------------------- PNG --

TEST_F(Loader, PngColourTypesAndDepths) {
  struct Case {
    const char* name;
    PngOptions opt;
    std::vector<std::string> rows;  // 2 × 2
    PixelVector want;
  };
  PngOptions rgb;
  PngOptions rgb16;
  rgb16.depth = 16;
  PngOptions grey8;
  grey8.colorType = PNG_COLOR_TYPE_GRAY;
  PngOptions grey1 = grey8;
  grey1.depth = 1;
  PngOptions grey2 = grey8;
  grey2.depth = 2;
  PngOptions grey4 = grey8;
  grey4.depth = 4;
  PngOptions grey16 = grey8;
  grey16.depth = 16;
  PngOptions pal;
  pal.colorType = PNG_COLOR_TYPE_PALETTE;
  pal.palette = {{0x10, 0x20, 0x30}, {0xAA, 0xBB, 0xCC}, {1, 2, 3}};
  PngOptions pal4 = pal;
  pal4.depth = 4;
  PngOptions gamma = rgb;
  gamma.gamma = 1.0;  // a gAMA chunk changes nothing: no gamma correction
  const Case cases[] = {
      {"rgb.png",
       rgb,
       {Row({1, 2, 3, 4, 5, 6}), Row({0xFF, 0, 0, 0, 0, 0xFF})},
       {0x010203, 0x040506, 0xFF0000, 0x0000FF}},
      {"gamma.png",
       gamma,
       {Row({1, 2, 3, 4, 5, 6}), Row({0xFF, 0, 0, 0, 0, 0xFF})},
       {0x010203, 0x040506, 0xFF0000, 0x0000FF}},
      // 16 bits scaled to 8: 0x1234 -> 0x12, 0xFFFF -> 0xFF, 0x80FF -> 0x81.
      {"rgb16.png",
       rgb16,
       {Row({0x12, 0x34, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0xFF, 0, 0x7F}),
        Row(std::initializer_list<int>{0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})},
       {0x1200FF, 0xFF8000, 0x000000, 0xFFFFFF}},
      {"grey8.png", grey8, {Row({0, 0x7F}), Row({0x80, 0xFF})}, {0, 0x7F7F7F, 0x808080, 0xFFFFFF}},
      {"grey1.png", grey1, {Row({0x80}), Row({0x40})}, {0xFFFFFF, 0, 0, 0xFFFFFF}},
      {"grey2.png", grey2, {Row({0x60}), Row({0xB0})}, {0x555555, 0xAAAAAA, 0xAAAAAA, 0xFFFFFF}},
      {"grey4.png", grey4, {Row({0x1F}), Row({0x80})}, {0x111111, 0xFFFFFF, 0x888888, 0}},
      {"grey16.png",
       grey16,
       {Row({0xAB, 0xCD, 0x00, 0x01}), Row({0xFF, 0xFF, 0x7F, 0x00})},
       {0xABABAB, 0, 0xFFFFFF, 0x7F7F7F}},
      {"pal.png", pal, {Row({0, 1}), Row({2, 0})}, {0x102030, 0xAABBCC, 0x010203, 0x102030}},
      {"pal4.png", pal4, {Row({0x01}), Row({0x20})}, {0x102030, 0xAABBCC, 0x010203, 0x102030}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Picture p = WriteAndLoad(c.name, EncodePng(2, 2, c.opt, c.rows));
    ASSERT_EQ(p.Width(), 2);
    ASSERT_EQ(p.Height(), 2);
    EXPECT_EQ(p.Pixels(), c.want);
  }
}

TEST_F(Loader, PngTransparencyIsFlattenedOntoWhite) {
  PngOptions rgba;
  rgba.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  // Opaque red, transparent (colour ignored), half-transparent black, 0x40-alpha blue.
  Picture p = WriteAndLoad("rgba.png", EncodePng(2, 2, rgba,
                                                 {Row({0xFF, 0, 0, 0xFF, 1, 2, 3, 0}),
                                                  Row({0, 0, 0, 0x80, 0, 0, 0xFF, 0x40})}));
  // 255 × (1 − 128/255) = 127; blue 0x40: 0 + 255 × 191/255 = 191 for red and green.
  EXPECT_EQ(p.Pixels(), (PixelVector{0xFF0000, 0xFFFFFF, 0x7F7F7F, 0xBFBFFF}));
  PngOptions greyAlpha;
  greyAlpha.colorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  p = WriteAndLoad("ga.png", EncodePng(2, 1, greyAlpha, {Row({0x20, 0xFF, 0x20, 0})}));
  EXPECT_EQ(p.Pixels(), (PixelVector{0x202020, 0xFFFFFF}));
  // Palette with tRNS: entry 1 fully transparent.
  PngOptions pal;
  pal.colorType = PNG_COLOR_TYPE_PALETTE;
  pal.palette = {{0x10, 0x20, 0x30}, {0xFF, 0x00, 0xFF}};
  pal.trnsAlpha = {0xFF, 0x00};
  p = WriteAndLoad("trns.png", EncodePng(2, 1, pal, {Row({0, 1})}));
  EXPECT_EQ(p.Pixels(), (PixelVector{0x102030, 0xFFFFFF}));
  // RGB with a tRNS colour.
  PngOptions key;
  key.trnsColor = true;
  key.trnsValue.red = 1;
  key.trnsValue.green = 2;
  key.trnsValue.blue = 3;
  p = WriteAndLoad("key.png", EncodePng(2, 1, key, {Row({1, 2, 3, 1, 2, 4})}));
  EXPECT_EQ(p.Pixels(), (PixelVector{0xFFFFFF, 0x010204}));
}

TEST_F(Loader, PngInterlacedEveryPixel) {
  PngOptions opt;
  opt.interlace = true;
  std::vector<std::string> rows;
  PixelVector want;
  for (int y = 0; y < 13; ++y) {
    std::string r;
    for (int x = 0; x < 11; ++x) {
      r += Row({x * 20, y * 19, (x * y) & 0xFF});
      want.push_back(uint32_t(x * 20) << 16 | uint32_t(y * 19) << 8 | uint32_t((x * y) & 0xFF));
    }
    rows.push_back(r);
  }
  Picture p = WriteAndLoad("adam7.png", EncodePng(11, 13, opt, rows));
  EXPECT_EQ(p.Pixels(), want);
}

// ------------------------------------------------------------------ JPEG --

TEST_F(Loader, JpegColourGreyAndProgressive) {
  // Flat 8 × 8 blocks decode to their colour within a few levels.
  const uint32_t colours[4] = {0xFF0000, 0x00FF00, 0x204080, 0xFFFFFF};
  std::vector<std::string> rows;
  for (int y = 0; y < 16; ++y) {
    std::string r;
    for (int x = 0; x < 16; ++x) {
      const uint32_t c = colours[(y / 8) * 2 + x / 8];
      r += Row({int(c >> 16), int((c >> 8) & 0xFF), int(c & 0xFF)});
    }
    rows.push_back(r);
  }
  for (bool progressive : {false, true}) {
    SCOPED_TRACE(progressive);
    Picture p = WriteAndLoad(progressive ? "p.jpg" : "b.jpg",
                             EncodeJpeg(16, 16, false, rows, 100, progressive));
    ASSERT_EQ(p.Width(), 16);
    ASSERT_EQ(p.Height(), 16);
    ExpectTopBytesZero(p);
    for (int y : {1, 6, 9, 14})
      for (int x : {1, 6, 9, 14}) {
        const uint32_t want = colours[(y / 8) * 2 + x / 8], got = p.Pixel(x, y);
        for (int c = 0; c < 24; c += 8)
          EXPECT_NEAR(int((got >> c) & 0xFF), int((want >> c) & 0xFF), 6) << x << "," << y;
      }
  }
  Picture g = WriteAndLoad(
      "grey.jpg", EncodeJpeg(9, 3, true, std::vector<std::string>(3, std::string(9, '\x64'))));
  ASSERT_EQ(g.Width(), 9);
  for (uint32_t v : g.Pixels()) EXPECT_EQ(v, 0x646464u);
}

TEST_F(Loader, JpegAdobeCmyk) {
  // Adobe stores CMYK inverted: 255 = no ink. 8 × 8 of (0, 255, 255, 255):
  // full cyan, nothing else -> red 0, green and blue 255.
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buf, &size);
  c.image_width = 8;
  c.image_height = 8;
  c.input_components = 4;
  c.in_color_space = JCS_CMYK;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 100, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::string row;
  for (int x = 0; x < 8; ++x) row += Row({0, 255, 255, 255});
  for (int y = 0; y < 8; ++y) {
    JSAMPROW r = reinterpret_cast<JSAMPROW>(row.data());
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  const std::string jpeg(reinterpret_cast<char*>(buf), size);
  jpeg_destroy_compress(&c);
  std::free(buf);
  Picture p = WriteAndLoad("cmyk.jpg", jpeg);
  ASSERT_EQ(p.Width(), 8);
  for (uint32_t v : p.Pixels()) {
    EXPECT_NEAR(int(v >> 16), 0, 3);
    EXPECT_NEAR(int((v >> 8) & 0xFF), 255, 3);
    EXPECT_NEAR(int(v & 0xFF), 255, 3);
  }
}

// ---------------------------------------------------------------- errors --

TEST_F(Loader, MissingOrBrokenBmpJpegPngThrowAndKeepThePicture) {
  const std::string png =
      EncodePng(2, 2, PngOptions{}, std::vector<std::string>(2, std::string(6, 'a')));
  const std::string jpeg =
      EncodeJpeg(16, 16, true, std::vector<std::string>(16, std::string(16, 'a')));
  BmpOptions b24;
  const std::string bmp = BuildBmp(4, 4, b24, std::vector<std::string>(4, std::string(12, 'b')));
  dir.Write("empty.bmp", "");
  dir.Write("empty.png", "");
  dir.Write("empty.jpg", "");
  dir.Write("cut.png", png.substr(0, png.size() - 20));
  dir.Write("cut.jpg", jpeg.substr(0, jpeg.size() / 2));
  dir.Write("cut.bmp", bmp.substr(0, bmp.size() - 5));
  dir.Write("text.png", "hello, world");
  dir.Write("swapped.bmp", png);
  dir.Write("folder.jpg/x", "");
  dir.Write("good.bmp", bmp);
  const struct {
    const char* name;
    // A machine without the library that reads BMP.
    bool noBmpReader = false;
  } rows[] = {{"missing.bmp"}, {"missing.jpg"}, {"missing.png"},   {"empty.bmp"}, {"empty.png"},
              {"empty.jpg"},   {"cut.png"},     {"cut.jpg"},       {"cut.bmp"},   {"text.png"},
              {"swapped.bmp"}, {"folder.jpg"},  {"good.bmp", true}};
  for (const auto& r : rows) {
    const char* name = r.name;
    SCOPED_TRACE(name);
    Picture p(2, 1, 0xABCDEF);
    if (r.noBmpReader) sdl::UseLibraryFile("libkorvana-no-such-library.so");
    const std::string error = LoadError(name, p);
    sdl::UseLibraryFile(nullptr);
    const std::string prefix =
        std::string(name).starts_with("missing") || std::string(name) == "folder.jpg"
            ? J("画像ファイルが開けません:")
            : J("画像ファイルが読めません:");
    EXPECT_EQ(error.substr(0, prefix.size() + Full(name).size()), prefix + Full(name));
    EXPECT_EQ(p.Pixels(), PixelVector(2, 0xABCDEF));
  }
  // The picture itself was sound: with the library back it loads.
  Picture good;
  EXPECT_EQ(LoadError("good.bmp", good), "");
  EXPECT_EQ(good.Width(), 4);
  EXPECT_TRUE(sink.errors.empty());
  EXPECT_TRUE(warnings.empty());
}

TEST_F(Loader, OversizedHeadersAreRefusedWithoutTakingTheMemory) {
  BmpOptions b24;
  std::string bmp = BuildBmp(1, 1, b24, {Row({1, 2, 3})});
  test::Set32(bmp, 18, 60000);
  test::Set32(bmp, 22, 60000);
  dir.Write("huge.bmp", bmp);
  test::Set32(bmp, 18, 1);
  test::Set32(bmp, 22, static_cast<uint32_t>(-60000));  // top-down
  dir.Write("hugetop.bmp", bmp);
  test::Set32(bmp, 18, static_cast<uint32_t>(kMaxPictureSide + 1));
  test::Set32(bmp, 22, 1);
  dir.Write("wide.bmp", bmp);
  std::string png = EncodePng(1, 1, PngOptions{}, {Row({1, 2, 3})});
  // IHDR width and height at 16 and 20 (big-endian); the CRC is then wrong,
  // so fix it.
  auto setBe = [](std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (24 - 8 * i));
  };
  setBe(png, 16, 60000);
  setBe(png, 20, 60000);
  const uint32_t crc =
      static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(png.data() + 12), 17));
  setBe(png, 29, crc);
  dir.Write("huge.png", png);
  std::string jpeg = EncodeJpeg(8, 8, true, std::vector<std::string>(8, std::string(8, 'a')));
  const size_t sof = jpeg.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  jpeg[sof + 5] = static_cast<char>(60000 >> 8);  // height
  jpeg[sof + 6] = static_cast<char>(60000 & 0xFF);
  jpeg[sof + 7] = static_cast<char>(60000 >> 8);  // width
  jpeg[sof + 8] = static_cast<char>(60000 & 0xFF);
  dir.Write("huge.jpg", jpeg);
  for (const char* name : {"huge.bmp", "hugetop.bmp", "wide.bmp", "huge.png", "huge.jpg"}) {
    Picture p(1, 1, 5);
    const std::string error = LoadError(name, p);
    EXPECT_NE(error.find("large"), std::string::npos) << name << ": " << error;
    EXPECT_EQ(p.Pixels(), PixelVector(1, 5));
  }
}

TEST_F(Loader, MissingMagShowsOnlyTheMagMessageAndLeavesAnEightByEightPicture) {
  Picture p(100, 50, 0x111111);
  Load("nothere.mag", p);
  EXPECT_TRUE(warnings.empty());
  ASSERT_EQ(sink.errors.size(), 1u);
  EXPECT_EQ(sink.errors[0], J("ＭＡＧ画像が読めません:") + Full("nothere.mag"));
  EXPECT_EQ(p.Width(), 8);
  EXPECT_EQ(p.Height(), 8);
}

TEST_F(Loader, MagHeaderFailuresAndConversionFailures) {
  test::MagImage img = MakeMagImage(true, 16, 4, 21);
  const std::string good = EncodeMag(img).bytes;
  dir.Write("noeof.mag", std::string(100, 'x'));
  dir.Write("badsig.him", "XXXXXXXX" + good.substr(8));
  dir.Write("empty.mag", "");
  dir.Write("cut.mag", good.substr(0, good.size() - 1));  // probe passes (check 1)
  std::string huge = good;
  const size_t h = huge.find('\x1A') + 1;
  huge[h + 8] = huge[h + 10] = static_cast<char>(60000 & 0xFF);  // x1 = y1 = 60000
  huge[h + 9] = huge[h + 11] = static_cast<char>(60000 >> 8);
  dir.Write("huge.mag", huge);
  struct Case {
    const char* name;
    bool warning;
  } cases[] = {{"noeof.mag", false},
               {"badsig.him", false},
               {"empty.mag", false},
               {"huge.mag", false},
               {"cut.mag", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sink.errors.clear();
    warnings.clear();
    Picture p(3, 3);
    Load(c.name, p);
    EXPECT_EQ(warnings, c.warning ? std::vector<std::string>{"Failed by MMAG_MagtoBmp"}
                                  : std::vector<std::string>{});
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0], J("ＭＡＧ画像が読めません:") + Full(c.name));
    EXPECT_EQ(p.Width(), 8);
    EXPECT_EQ(p.Height(), 8);
  }
}

TEST_F(Loader, MagAndHimGoToTheSameConverterWhateverTheSignature) {
  test::MagImage img = MakeMagImage(false, 32, 10, 22);
  test::MagOptions own;
  own.ownSignature = true;
  for (const auto& [name, bytes] :
       {std::pair{"a.mag", EncodeMag(img).bytes}, std::pair{"b.MAG", EncodeMag(img, own).bytes},
        std::pair{"c.him", EncodeMag(img).bytes}, std::pair{"d.HIM", EncodeMag(img, own).bytes}}) {
    SCOPED_TRACE(name);
    Picture p = WriteAndLoad(name, bytes);
    ASSERT_EQ(p.Width(), 32);
    ASSERT_EQ(p.Height(), 10);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 32; ++x) ASSERT_EQ(p.Pixel(x, y), img.Color(x, y));
  }
}

TEST_F(Loader, FrlFailuresShowTheGeneralMessage) {
  std::string bad = BuildFrl(24, 2, 2, "");
  bad[0] = 'f';
  dir.Write("bad.frl", bad);
  dir.Write("short.frl", "FRL");
  dir.Write("empty.frl", "");
  dir.Write("huge.frl", BuildFrl(24, 60000, 60000, std::string(64, '\xFF')));
  dir.Write("zero.frl", BuildFrl(24, 0, 0, ""));
  for (const char* name :
       {"missing.frl", "bad.frl", "short.frl", "empty.frl", "huge.frl", "zero.frl"}) {
    SCOPED_TRACE(name);
    sink.errors.clear();
    Picture p(3, 3);
    Load(name, p);
    ASSERT_EQ(sink.errors.size(), 1u);
    EXPECT_EQ(sink.errors[0], J("画像が読めません:") + Full(name));
    EXPECT_EQ(p.Width(), 8);
    EXPECT_EQ(p.Height(), 8);
  }
  EXPECT_TRUE(warnings.empty());
}

TEST_F(Loader, RandomFilesOfEveryFormatEndInTheirErrorPath) {
  std::mt19937 rng(5);
  const test::MagImage img = MakeMagImage(true, 16, 8, 23);
  const std::string seeds[] = {
      BuildBmp(4, 4, BmpOptions{}, std::vector<std::string>(4, std::string(12, 'q'))),
      EncodePng(4, 4, PngOptions{}, std::vector<std::string>(4, std::string(12, 'q'))),
      EncodeJpeg(8, 8, false, std::vector<std::string>(8, std::string(24, 'q'))),
      EncodeMag(img).bytes,
      BuildFrl(24, 4, 4, std::string(64, '\x01')),
  };
  const char* exts[] = {".bmp", ".png", ".jpg", ".mag", ".frl"};
  for (int i = 0; i < 600; ++i) {
    const int k = i % 5;
    std::string s = seeds[k];
    if (rng() % 3 == 0) s = s.substr(0, rng() % s.size());
    for (int n = rng() % 6; n > 0 && !s.empty(); --n)
      s[rng() % s.size()] = static_cast<char>(rng());
    const std::string name = "r" + std::to_string(i) + exts[k];
    dir.Write(name, s);
    sink.errors.clear();
    Picture p(2, 2, 7);
    try {
      Load(name, p);
    } catch (const ScriptException&) {
      EXPECT_LT(k, 3);
      EXPECT_EQ(p.Pixels(), PixelVector(4, 7));
      continue;
    }
    ExpectTopBytesZero(p);
    if (!sink.errors.empty()) {
      EXPECT_GE(k, 3);
      EXPECT_EQ(p.Width(), 8);
    }
  }
}

}  // namespace
}  // namespace korvana
