#include "graphics/Frl.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "graphics/Picture.h"

namespace korvana {
namespace {

int32_t I32(const uint8_t* p) {
  return static_cast<int32_t>(uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) |
                              (uint32_t{p[3]} << 24));
}

// A run of the short codings fits in one block of pixels, written whole
// whatever the run: the pixels past the run belong to the next records, which
// write them again. A branch per run on its length costs more than the
// stores it saves.
constexpr size_t kBlock = 16;

// Records of `size` bytes, each a colour and a run length; runs continue from
// one row into the next and stop at the last pixel.
template <size_t kSize, typename Record>
void DecodeRuns(const uint8_t* data, size_t length, uint32_t* pixels, size_t count,
                Record record) {
  size_t at = 0;
  const size_t records = length / kSize;
  for (size_t k = 0; k < records && at < count; ++k) {
    uint32_t color;
    size_t run;
    record(data + k * kSize, color, run);
    if (run <= kBlock && count - at >= kBlock) {
      uint32_t* __restrict block = pixels + at;
      for (size_t i = 0; i < kBlock; ++i) block[i] = color;
    } else {
      run = std::min(run, count - at);
      std::fill_n(pixels + at, run, color);
    }
    at += run;
  }
  // The block of the last run may reach past it; those pixels start black.
  std::fill(pixels + at, pixels + std::min(count, at + kBlock), 0u);
}

}  // namespace

bool ReadFrlHeader(std::span<const uint8_t> file, FrlHeader& header) {
  if (file.size() < 40 || file[0] != 'F' || file[1] != 'R' || file[2] != 'L') return false;
  header.coding = I32(file.data() + 4);
  header.width = I32(file.data() + 8);
  header.height = I32(file.data() + 12);
  header.length = static_cast<uint32_t>(I32(file.data() + 20));
  return true;
}

bool DecodeFrl(std::span<const uint8_t> file, Picture& picture) {
  FrlHeader hd;
  if (!ReadFrlHeader(file, hd)) return false;
  if (hd.width <= 0 || hd.height <= 0 || hd.width > kMaxPictureSide || hd.height > kMaxPictureSide)
    return false;
  picture.Resize(hd.width, hd.height, 0);
  const uint8_t* data = file.data() + 40;
  const size_t length = std::min<size_t>(hd.length, file.size() - 40);
  uint32_t* px = picture.Pixels().data();
  const size_t count = picture.Pixels().size();

  switch (hd.coding) {
    case 24:
      DecodeRuns<4>(data, length, px, count, [](const uint8_t* r, uint32_t& c, size_t& n) {
        c = uint32_t{r[1]} | (uint32_t{r[2]} << 8) | (uint32_t{r[3]} << 16);
        n = size_t{r[0]} + 1;
      });
      break;
    case 12:
      DecodeRuns<2>(data, length, px, count, [](const uint8_t* r, uint32_t& c, size_t& n) {
        const uint32_t b = r[0], x = r[1];
        c = ((b >> 4) * 17) | ((x & 0x0F) * 17 << 8) | ((x >> 4) * 17 << 16);
        n = (b & 0x0F) + 1;
      });
      break;
    case 10:
      DecodeRuns<2>(data, length, px, count, [](const uint8_t* r, uint32_t& c, size_t& n) {
        const uint32_t b = r[0], x = r[1];
        const uint32_t blue = 36 * (((b >> 6) << 1) | (x >> 7));
        const uint32_t green = 17 * (x & 0x0F);
        const uint32_t red = 36 * ((x >> 4) & 7);
        c = blue | (green << 8) | (red << 16);
        n = (b & 0x3F) + 1;
      });
      break;
    case 18: {
      // Planar: blue bytes of every pixel, then green, then red. Each plane
      // is a byte column of the little-endian 32-bit pixels.
      static_assert(std::endian::native == std::endian::little, "planes are pixel bytes");
      uint8_t* const bytes = reinterpret_cast<uint8_t*>(px);
      int plane = 0;
      size_t at = 0;
      uint8_t* p = bytes;
      for (size_t k = 0; k < length; ++k) {
        const uint8_t b = data[k];
        const uint8_t value = static_cast<uint8_t>((b & 0xFC) | (b >> 6));
        size_t run = (b & 3) + 1;
        if (count - at > 4) {
          // The common case, branch-free: four bytes are written whatever
          // the run; those past the run belong to pixels of this plane that
          // the next records write again (or that are cleared below when
          // the data ends here).
          p[0] = value;
          p[4] = value;
          p[8] = value;
          p[12] = value;
          p += 4 * run;
          at += run;
          continue;
        }
        // The run reaches the end of the plane and may go on in the next.
        while (run > 0) {
          *p = value;
          p += 4;
          --run;
          if (++at == count) {
            if (++plane == 3) break;
            at = 0;
            p = bytes + plane;
          }
        }
        if (plane == 3) break;
      }
      // Undo the writes past the last run (pixels start black).
      if (plane < 3)
        for (size_t i = at; i < count && i < at + 3; ++i) bytes[4 * i + plane] = 0;
      break;
    }
    default:
      break;
  }
  return true;
}

}  // namespace korvana
