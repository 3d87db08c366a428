// Writes seed corpora for the fuzz targets: valid files of every format and
// variant, small so that mutations run fast, plus two demonstration MAG
// pictures (16 and 256 colours, 320 × 200) for korvana-picture.
//
// It also writes damaged inputs that CI replays through the targets (and
// their checks) once: every truncation and 2000 four-byte mutations of one MAG
// picture, and 20000 random texts over the expression evaluator's alphabet.
//
//   fuzz_make_seeds OUT_DIR    -> OUT_DIR/{mag,frl,load_picture,expression}/...,
//                                 OUT_DIR/demo*.mag
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "PictureFixtures.h"

namespace fs = std::filesystem;
using namespace korvana::test;

namespace {

void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Bytes(std::initializer_list<int> v) {
  std::string s;
  for (int b : v) s += static_cast<char>(b);
  return s;
}

// A little landscape: sky gradient, sun, two hills and a checkered field.
uint32_t Scene(int x, int y, int w, int h) {
  const double fx = double(x) / w, fy = double(y) / h;
  const double sun = std::hypot(fx - 0.75, fy - 0.25);
  if (sun < 0.09) return 0xFFD040;
  const double hill1 = 0.55 + 0.08 * std::sin(fx * 6.3), hill2 = 0.68 + 0.06 * std::cos(fx * 9.0 + 1);
  if (fy > 0.8) return ((x / 16 + y / 8) % 2) ? 0x3C8C28 : 0x50A03C;
  if (fy > hill2) return 0x2E6E3A;
  if (fy > hill1) return 0x5C8A6E;
  const int t = static_cast<int>(255 * fy / hill1);
  return uint32_t(40 + t / 3) << 16 | uint32_t(90 + t / 2) << 8 | uint32_t(200 + t / 5);
}

MagImage Quantised(bool colors256, int w, int h) {
  MagImage img;
  img.colors256 = colors256;
  img.width = w;
  img.height = h;
  if (colors256) {
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 7; ++g)
        for (int b = 0; b < 6; ++b) img.rgb.push_back({uint8_t(r * 51), uint8_t(g * 42), uint8_t(b * 51)});
    while (img.rgb.size() < 256) img.rgb.push_back({0, 0, 0});
  } else {
    const uint32_t pal[16] = {0x000000, 0x2E6E3A, 0x5C8A6E, 0x3C8C28, 0x50A03C, 0xFFD040, 0x3060D0, 0x4070D4,
                              0x5080D8, 0x6090DC, 0x70A0E0, 0x80B0E4, 0x90C0E8, 0xA0D0EC, 0xFFFFFF, 0x808080};
    for (uint32_t c : pal) img.rgb.push_back({uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)});
  }
  const int B = img.BytesPerLine();
  img.bytes.assign(static_cast<size_t>(B) * h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t c = Scene(x, y, w, h);
      int best = 0;
      long bestD = 1L << 40;
      for (size_t i = 0; i < img.rgb.size(); ++i) {
        const long dr = long(c >> 16) - img.rgb[i][0], dg = long((c >> 8) & 0xFF) - img.rgb[i][1],
                   db = long(c & 0xFF) - img.rgb[i][2];
        const long d = dr * dr + dg * dg + db * db;
        if (d < bestD) bestD = d, best = static_cast<int>(i);
      }
      uint8_t& byte = img.bytes[static_cast<size_t>(y) * B + (colors256 ? x : x / 2)];
      if (colors256)
        byte = static_cast<uint8_t>(best);
      else
        byte |= static_cast<uint8_t>((x & 1) ? best : best << 4);
    }
  return img;
}

// Truncations and random mutations of a small MAG picture.
void WriteDamagedMag(const fs::path& dir) {
  const std::string s = EncodeMag(MakeMagImage(false, 32, 24, 12)).bytes;
  for (size_t n = 0; n <= s.size(); ++n) Write(dir / ("truncated" + std::to_string(n)), s.substr(0, n));
  std::mt19937 rng(42);
  for (int i = 0; i < 2000; ++i) {
    std::string m = s;
    for (int k = 0; k < 4; ++k) m[rng() % m.size()] = static_cast<char>(rng());
    Write(dir / ("mutated" + std::to_string(i)), m);
  }
}

// Random texts over the evaluator's alphabet, a third of them inside a flag
// reference.
void WriteRandomExpressions(const fs::path& dir) {
  const std::string alphabet = "0123456789+-*/%^~|&!<>=()[]{}$@:;' flgsy\t\x82\xa0";
  uint32_t state = 12345;
  auto next = [&state] {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  for (int round = 0; round < 20000; ++round) {
    std::string text;
    const int n = static_cast<int>(next() % 40);
    for (int i = 0; i < n; ++i) text += alphabet[next() % alphabet.size()];
    if (round % 3 == 0) text = "$flg[" + text;
    Write(dir / ("random" + std::to_string(round)), text);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_make_seeds OUT_DIR\n");
    return 2;
  }
  const fs::path out = argv[1];
  std::vector<std::pair<std::string, std::string>> files;  // name, bytes

  // MAG: both palettes, both signatures, alignment, uniform and noisy.
  int n = 0;
  for (bool c256 : {true, false})
    for (int size : {8, 24, 48}) {
      MagOptions opt;
      opt.ownSignature = n % 2;
      opt.salt = n;
      const std::string mag = EncodeMag(MakeMagImage(c256, c256 ? size : size + 8 - size % 8, size / 2 + 1, 100 + n), opt).bytes;
      Write(out / "mag" / ("mag" + std::to_string(n)), mag);
      files.push_back({".mag", mag});
      ++n;
    }
  MagOptions aligned;
  aligned.x0 = 3;
  aligned.x1 = 12;
  Write(out / "mag" / "aligned", EncodeMag(MakeMagImage(false, 16, 5, 7), aligned).bytes);

  // FRL: every coding.
  const std::string frl[] = {
      BuildFrl(24, 5, 3, Bytes({3, 0x11, 0x22, 0x33, 10, 0xAA, 0xBB, 0xCC})),
      BuildFrl(12, 6, 2, Bytes({0x32, 0xA5, 0x07, 0x5A, 0x11, 0x22})),
      BuildFrl(10, 6, 2, Bytes({0xC2, 0xD7, 0x45, 0x12, 0x03, 0xFF})),
      BuildFrl(18, 4, 2, Bytes({0xFF, 0x83, 0x07, 0x05, 0xFE, 0x13, 0x02, 0xC3})),
  };
  for (size_t i = 0; i < std::size(frl); ++i) {
    Write(out / "frl" / ("frl" + std::to_string(i)), frl[i]);
    files.push_back({".frl", frl[i]});
  }

  // BMP variants.
  BmpOptions b1;
  b1.bits = 1;
  b1.palette = {0x000000, 0xFFFFFF};
  BmpOptions b4;
  b4.bits = 4;
  b4.palette = std::vector<uint32_t>(16, 0x123456);
  BmpOptions b8;
  b8.bits = 8;
  b8.palette = std::vector<uint32_t>(4, 0x654321);
  BmpOptions b16;
  b16.bits = 16;
  BmpOptions b565;
  b565.bits = 16;
  b565.compression = 3;
  b565.masks = {0xF800, 0x07E0, 0x001F};
  BmpOptions b24;
  b24.topDown = true;
  BmpOptions b32;
  b32.bits = 32;
  files.push_back({".bmp", BuildBmp(3, 2, b1, {Bytes({0xA0}), Bytes({0x40})})});
  files.push_back({".bmp", BuildBmp(3, 2, b4, {Bytes({0x12, 0x30}), Bytes({0xF0, 0x5F})})});
  files.push_back({".bmp", BuildBmp(3, 2, b8, {Bytes({1, 2, 3}), Bytes({3, 0, 1})})});
  files.push_back({".bmp", BuildBmp(2, 2, b16, {Bytes({0, 0x7C, 0xE0, 3}), Bytes({0x1F, 0, 0xFF, 0x7F})})});
  files.push_back({".bmp", BuildBmp(2, 1, b565, {Bytes({0, 0xF8, 0xE0, 7})})});
  files.push_back({".bmp", BuildBmp(2, 2, b24, {Bytes({1, 2, 3, 4, 5, 6}), Bytes({7, 8, 9, 10, 11, 12})})});
  files.push_back({".bmp", BuildBmp(2, 1, b32, {Bytes({1, 2, 3, 4, 5, 6, 7, 8})})});
  BmpOptions rle8;
  rle8.bits = 8;
  rle8.compression = 1;
  rle8.palette = std::vector<uint32_t>(16, 0x0F0F0F);
  const std::string d8 = Bytes({4, 2, 0, 0, 0, 3, 1, 5, 7, 0, 1, 9, 0, 2, 1, 0, 0, 1});
  files.push_back({".bmp", BuildBmp(4, 2, rle8, {}, &d8)});
  BmpOptions rle4;
  rle4.bits = 4;
  rle4.compression = 2;
  rle4.palette = std::vector<uint32_t>(16, 0x0F0F0F);
  const std::string d4 = Bytes({3, 0xAB, 0, 4, 0xCD, 0xEF, 0, 0, 0, 1});
  files.push_back({".bmp", BuildBmp(7, 1, rle4, {}, &d4)});

  // PNG variants.
  PngOptions rgb;
  PngOptions rgba;
  rgba.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
  PngOptions pal;
  pal.colorType = PNG_COLOR_TYPE_PALETTE;
  pal.depth = 4;
  pal.palette = {{1, 2, 3}, {200, 100, 50}};
  pal.trnsAlpha = {0, 255};
  PngOptions grey16;
  grey16.colorType = PNG_COLOR_TYPE_GRAY;
  grey16.depth = 16;
  PngOptions inter;
  inter.interlace = true;
  files.push_back({".png", EncodePng(2, 2, rgb, {Bytes({1, 2, 3, 4, 5, 6}), Bytes({7, 8, 9, 10, 11, 12})})});
  files.push_back({".png", EncodePng(2, 1, rgba, {Bytes({1, 2, 3, 4, 5, 6, 7, 8})})});
  files.push_back({".png", EncodePng(3, 2, pal, {Bytes({0x01, 0x00}), Bytes({0x10, 0x10})})});
  files.push_back({".png", EncodePng(2, 1, grey16, {Bytes({0x12, 0x34, 0xFF, 0x00})})});
  std::vector<std::string> rows(9, std::string(27, '\x55'));
  files.push_back({".png", EncodePng(9, 9, inter, rows)});

  // JPEG: grey, colour, progressive.
  files.push_back({".jpg", EncodeJpeg(8, 8, true, std::vector<std::string>(8, std::string(8, 'a')), 90)});
  files.push_back({".jpg", EncodeJpeg(16, 8, false, std::vector<std::string>(8, std::string(48, 'z')), 75)});
  files.push_back({".jpg", EncodeJpeg(16, 16, false, std::vector<std::string>(16, std::string(48, 'k')), 60, true)});

  // load_picture: the first byte chooses the extension (see load_picture.cpp).
  const std::string exts[] = {".bmp", ".jpg", ".png", ".mag", ".him", ".frl", ".JPG", ".jpeg"};
  int k = 0;
  for (const auto& [ext, bytes] : files) {
    int index = 0;
    for (int i = 0; i < 8; ++i)
      if (exts[i] == ext) index = i;
    Write(out / "load_picture" / ("seed" + std::to_string(k++)), std::string(1, char(index)) + bytes);
  }

  WriteDamagedMag(out / "mag");
  WriteRandomExpressions(out / "expression");

  // Demonstration pictures.
  Write(out / "demo256.mag", EncodeMag(Quantised(true, 320, 200)).bytes);
  MagOptions own;
  own.ownSignature = true;
  Write(out / "demo16.mag", EncodeMag(Quantised(false, 320, 200), own).bytes);
  std::printf("wrote %d load_picture seeds, %d MAG and %zu FRL seeds and 2 demo pictures to %s\n", k, n + 1,
              std::size(frl), out.c_str());
  return 0;
}
