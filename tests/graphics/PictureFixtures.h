#pragma once
// Builders for picture files of every format the engine reads, written from
// the formats' tables (not from the decoders' code), for tests, benchmarks and
// fuzz seeds. Header-only so that bench/ and fuzz/ can include it too.
#include <jpeglib.h>
#include <png.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Errors.h"

namespace korvana::test {

// ---------------------------------------------------------------- errors --

// Records what the engine would show.
class RecordingSink : public ErrorSink {
 public:
  void ScriptError(const std::string& message) override { errors.push_back(message); }
  void ReportScriptError(const std::string& message) override { reports.push_back(message); }
  std::vector<std::string> errors;
  std::vector<std::string> reports;
};

// ------------------------------------------------------------ byte utils --

inline void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
inline void Set32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// ------------------------------------------------------------------- MAG --

// Copy table of MAG, written out again on purpose.
inline constexpr int kSpecDx[16] = {0, 1, 2, 4, 0, 1, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0};
inline constexpr int kSpecDy[16] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 4, 4, 4, 8, 8, 8, 16};

struct MagImage {
  bool colors256 = true;
  int width = 0;  // aligned width W (multiple of 4, or of 8 for 16 colours)
  int height = 0;
  std::vector<uint8_t> bytes;               // B bytes per row, top row first
  std::vector<std::array<uint8_t, 3>> rgb;  // palette R, G, B (16 or 256)

  int BytesPerLine() const { return colors256 ? width : width / 2; }
  int Index(int x, int y) const {
    if (colors256) return bytes[static_cast<size_t>(y) * BytesPerLine() + x];
    uint8_t b = bytes[static_cast<size_t>(y) * BytesPerLine() + x / 2];
    return (x & 1) ? (b & 0x0F) : (b >> 4);
  }
  uint32_t Color(int x, int y) const {
    const auto& c = rgb[Index(x, y)];
    return (uint32_t{c[0]} << 16) | (uint32_t{c[1]} << 8) | c[2];
  }
};

struct MagOptions {
  bool ownSignature = false;  // "KRVIF1  " instead of "MAKI02  "
  uint16_t x0 = 0, y0 = 0;
  int x1 = -1;  // -1: x0 + width - 1
  std::string comment = "korvana test";
  bool copies = true;  // use the copy table where units repeat
  int salt = 0;        // varies which copy entry is preferred
  uint8_t topByte = 0;
};

struct MagFile {
  std::string bytes;
  size_t h = 0;  // offset of the picture header
  uint32_t flagAOffset = 0, flagBOffset = 0, flagBSize = 0, pixelOffset = 0, pixelSize = 0;
  std::array<int, 16> nibbleUse{};  // how often each flag nibble was written
};

// A MAG encoder: units of 2 bytes, flag nibbles chosen
// from the copy table where the unit repeats, flag lines XORed with the line
// above, flag A bits read continuously across rows.
inline MagFile EncodeMag(const MagImage& img, const MagOptions& opt = {}) {
  const int B = img.BytesPerLine(), F = B / 4, H = img.height;
  auto unit = [&](int p, int r) {
    const uint8_t* q = img.bytes.data() + static_cast<size_t>(r) * B + 2 * p;
    return uint32_t{q[0]} | (uint32_t{q[1]} << 8);
  };
  std::vector<uint8_t> flagA, flagB;
  std::string pixels;
  std::vector<uint8_t> prev(F, 0);
  uint64_t bit = 0;
  MagFile out;
  for (int r = 0; r < H; ++r) {
    for (int i = 0; i < F; ++i) {
      int nib[2] = {0, 0};
      for (int half = 0; half < 2 && opt.copies; ++half) {
        const int p = 2 * i + half;
        // Every eleventh unit stays literal so that new data and copies mix.
        if ((p * 7 + r * 13 + opt.salt) % 11 == 0) continue;
        const int start = (p * 5 + r * 3 + opt.salt) % 15;
        for (int k = 0; k < 15; ++k) {
          const int n = (start + k) % 15 + 1;
          if (p >= kSpecDx[n] && r >= kSpecDy[n] &&
              unit(p - kSpecDx[n], r - kSpecDy[n]) == unit(p, r)) {
            nib[half] = n;
            break;
          }
        }
      }
      const uint8_t f = static_cast<uint8_t>((nib[0] << 4) | nib[1]);
      for (int half = 0; half < 2; ++half) {
        ++out.nibbleUse[nib[half]];
        if (f == 0 || nib[half] == 0) {
          const uint32_t u = unit(2 * i + half, r);
          pixels += static_cast<char>(u & 0xFF);
          pixels += static_cast<char>(u >> 8);
        }
      }
      const uint8_t v = f ^ prev[i];
      prev[i] = f;
      if (bit % 8 == 0) flagA.push_back(0);
      if (v) {
        flagA.back() |= static_cast<uint8_t>(0x80 >> (bit % 8));
        flagB.push_back(v);
      }
      ++bit;
    }
  }
  // The check wants Hgt × ((B / 2 − 1) / 16 + 1) bytes of flag A.
  const size_t flagANeed = static_cast<size_t>(H) * ((B / 2 - 1) / 16 + 1);
  if (flagA.size() < flagANeed) flagA.resize(flagANeed, 0);

  std::string& s = out.bytes;
  s = opt.ownSignature ? "KRVIF1  " : "MAKI02  ";
  s += "PC98";                                  // machine code
  s += std::string("korvana-test       ", 19);  // user name
  s += opt.comment;
  s += '\x1A';
  out.h = s.size();
  const uint32_t palSize = img.colors256 ? 768 : 48;
  out.flagAOffset = 32 + palSize;
  out.flagBOffset = out.flagAOffset + static_cast<uint32_t>(flagA.size());
  out.flagBSize = static_cast<uint32_t>(flagB.size());
  out.pixelOffset = out.flagBOffset + out.flagBSize;
  out.pixelSize = static_cast<uint32_t>(pixels.size());
  s += static_cast<char>(opt.topByte);
  s += '\0';  // machine code
  s += '\0';  // machine flags
  s += static_cast<char>(img.colors256 ? 0x80 : 0x00);
  const int x1 = opt.x1 >= 0 ? opt.x1 : opt.x0 + img.width - 1;
  Put16(s, opt.x0);
  Put16(s, opt.y0);
  Put16(s, static_cast<uint32_t>(x1));
  Put16(s, static_cast<uint32_t>(opt.y0 + H - 1));
  Put32(s, out.flagAOffset);
  Put32(s, out.flagBOffset);
  Put32(s, out.flagBSize);
  Put32(s, out.pixelOffset);
  Put32(s, out.pixelSize);
  const size_t colors = img.colors256 ? 256 : 16;
  for (size_t c = 0; c < colors; ++c) {  // green, red, blue
    const auto rgb = c < img.rgb.size() ? img.rgb[c] : std::array<uint8_t, 3>{0, 0, 0};
    s += static_cast<char>(rgb[1]);
    s += static_cast<char>(rgb[0]);
    s += static_cast<char>(rgb[2]);
  }
  s.append(flagA.begin(), flagA.end());
  s.append(flagB.begin(), flagB.end());
  s += pixels;
  return out;
}

// A picture with repeating units (so that copies apply) and noise, indices
// below `colors`.
inline MagImage MakeMagImage(bool colors256, int width, int height, uint32_t seed,
                             int distinctUnits = 3) {
  MagImage img;
  img.colors256 = colors256;
  img.width = width;
  img.height = height;
  std::mt19937 rng(seed);
  const int colors = colors256 ? 256 : 16;
  for (int c = 0; c < colors; ++c)
    img.rgb.push_back(
        {static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())});
  const int B = img.BytesPerLine();
  std::vector<std::array<uint8_t, 2>> units(distinctUnits);
  for (auto& u : units) u = {static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng())};
  img.bytes.resize(static_cast<size_t>(B) * height);
  for (int r = 0; r < height; ++r)
    for (int p = 0; p < B / 2; ++p) {
      uint8_t* q = img.bytes.data() + static_cast<size_t>(r) * B + 2 * p;
      if (rng() % 4 == 0) {
        q[0] = static_cast<uint8_t>(rng());
        q[1] = static_cast<uint8_t>(rng());
      } else {
        const auto& u = units[rng() % units.size()];
        q[0] = u[0];
        q[1] = u[1];
      }
    }
  return img;
}

// ------------------------------------------------------------------- FRL --

inline std::string BuildFrl(int coding, int width, int height, const std::string& data,
                            int64_t length = -1) {
  std::string s = "FRL";
  s += '\0';
  Put32(s, static_cast<uint32_t>(coding));
  Put32(s, static_cast<uint32_t>(width));
  Put32(s, static_cast<uint32_t>(height));
  Put32(s, 0);
  Put32(s, static_cast<uint32_t>(length >= 0 ? length : static_cast<int64_t>(data.size())));
  s.append(16, '\0');
  return s + data;
}

// ------------------------------------------------------------------- BMP --

struct BmpOptions {
  int bits = 24;
  uint32_t compression = 0;         // 0 BI_RGB, 1 RLE8, 2 RLE4, 3 BITFIELDS
  std::vector<uint32_t> palette;    // 0x00RRGGBB
  std::array<uint32_t, 3> masks{};  // BITFIELDS: red, green, blue
  bool topDown = false;
};

// Rows given top row first, each without padding; `rawData` instead when
// set (RLE).
inline std::string BuildBmp(int width, int height, const BmpOptions& o,
                            const std::vector<std::string>& rows,
                            const std::string* rawData = nullptr) {
  std::string data;
  if (rawData) {
    data = *rawData;
  } else {
    const size_t stride = (static_cast<size_t>(width) * o.bits + 31) / 32 * 4;
    for (int i = 0; i < height; ++i) {
      const std::string& row = rows[o.topDown ? i : height - 1 - i];
      std::string padded = row;
      padded.resize(stride, '\0');
      data += padded;
    }
  }
  const uint32_t extra = o.compression == 3 ? 12 : 0;
  const uint32_t offset = 14 + 40 + extra + 4 * static_cast<uint32_t>(o.palette.size());
  std::string s = "BM";
  Put32(s, offset + static_cast<uint32_t>(data.size()));
  Put32(s, 0);
  Put32(s, offset);
  Put32(s, 40);
  Put32(s, static_cast<uint32_t>(width));
  Put32(s, static_cast<uint32_t>(o.topDown ? -height : height));
  Put16(s, 1);
  Put16(s, static_cast<uint32_t>(o.bits));
  Put32(s, o.compression);
  Put32(s, static_cast<uint32_t>(data.size()));
  Put32(s, 2835);
  Put32(s, 2835);
  Put32(s, static_cast<uint32_t>(o.palette.size()));
  Put32(s, 0);
  if (o.compression == 3)
    for (uint32_t m : o.masks) Put32(s, m);
  for (uint32_t c : o.palette) Put32(s, c);
  return s + data;
}

// ------------------------------------------------------------------- PNG --

struct PngOptions {
  int colorType = PNG_COLOR_TYPE_RGB;
  int depth = 8;
  bool interlace = false;
  std::vector<png_color> palette;
  std::vector<uint8_t> trnsAlpha;  // palette tRNS
  bool trnsColor = false;          // grey / RGB tRNS
  png_color_16 trnsValue{};
  double gamma = 0;  // gAMA chunk when > 0
};

inline void PngWriteToString(png_structp png, png_bytep data, png_size_t len) {
  static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), len);
}

// Rows top first, each in the PNG's own sample layout (16-bit big-endian).
inline std::string EncodePng(int width, int height, const PngOptions& o,
                             const std::vector<std::string>& rows) {
  std::string out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("png write failed");
  }
  png_set_write_fn(png, &out, PngWriteToString, nullptr);
  png_set_IHDR(png, info, width, height, o.depth, o.colorType,
               o.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!o.palette.empty())
    png_set_PLTE(png, info, o.palette.data(), static_cast<int>(o.palette.size()));
  if (!o.trnsAlpha.empty())
    png_set_tRNS(png, info, o.trnsAlpha.data(), static_cast<int>(o.trnsAlpha.size()), nullptr);
  if (o.trnsColor) png_set_tRNS(png, info, nullptr, 0, const_cast<png_color_16*>(&o.trnsValue));
  if (o.gamma > 0) png_set_gAMA(png, info, o.gamma);
  png_write_info(png, info);
  std::vector<png_bytep> ptrs;
  for (const std::string& r : rows)
    ptrs.push_back(reinterpret_cast<png_bytep>(const_cast<char*>(r.data())));
  png_write_image(png, ptrs.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// ------------------------------------------------------------------ JPEG --

// RGB (3 bytes per pixel) or grey (1 byte) rows, top first.
inline std::string EncodeJpeg(int width, int height, bool grey,
                              const std::vector<std::string>& rows, int quality = 100,
                              bool progressive = false) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buf = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &buf, &size);
  c.image_width = width;
  c.image_height = height;
  c.input_components = grey ? 1 : 3;
  c.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  for (const std::string& r : rows) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(const_cast<char*>(r.data()));
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  std::string out(reinterpret_cast<char*>(buf), size);
  jpeg_destroy_compress(&c);
  std::free(buf);
  return out;
}

}  // namespace korvana::test
