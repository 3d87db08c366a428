#include "graphics/Frl.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "graphics/Picture.h"
#include "graphics/PixelVectors.h"

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

// Coding 18 stores every pixel's blue byte, then every green, then every red,
// one record per byte: six bits of value, two of run (1-4). Runs go on from
// one plane into the next and stop at the last red byte. The three planes are
// decoded side by side a chunk of pixels at a time into small byte buffers
// (one 4-byte store per record whatever its run, the bytes past the run being
// rewritten by the next record), then woven into pixels. Writing each record
// straight into the bytes of the 32-bit pixels takes four stores per record.
constexpr size_t kChunk = 4096;

uint32_t PlaneRun(uint8_t b) { return (b & 3u) + 1; }
constexpr uint8_t PlaneValue(uint8_t b) { return static_cast<uint8_t>((b & 0xFC) | (b >> 6)); }
// A record's value in four bytes.
constexpr auto kPlaneBytes = [] {
  std::array<uint32_t, 256> table{};
  for (size_t b = 0; b < 256; ++b) table[b] = PlaneValue(static_cast<uint8_t>(b)) * 0x01010101u;
  return table;
}();

// Pixels covered by 64 records.
size_t RunsOf64(const uint8_t* records) {
  uint64_t sum = 0;
  for (int i = 0; i < 8; ++i) {
    uint64_t word;
    std::memcpy(&word, records + 8 * i, 8);
    sum += word & 0x0303030303030303u;  // at most 24 in each byte
  }
  return 64 + ((sum * 0x0101010101010101u) >> 56);
}

// Where a plane whose first `filled` pixels are already covered ends: the
// index past the record that reaches its last pixel, and in `spill` how many
// pixels of that record's run go on into the next plane. `length` (and no
// spill) when the data ends first.
size_t PlaneEnd(const uint8_t* data, size_t k, size_t length, size_t filled, size_t count,
                size_t& spill) {
  spill = 0;
  if (filled >= count) {
    spill = filled - count;
    return k;
  }
  for (; length - k >= 64; k += 64) {
    const size_t runs = RunsOf64(data + k);
    if (filled + runs >= count) break;
    filled += runs;
  }
  for (; k < length; ++k) {
    filled += PlaneRun(data[k]);
    if (filled >= count) {
      spill = filled - count;
      return k + 1;
    }
  }
  return length;
}

struct PlaneChunks {
  const uint8_t* next;
  const uint8_t* end;
  size_t have;  // bytes decoded past the last chunk, kept at `bytes + tail`
  size_t tail;
  uint8_t bytes[kChunk + 8];

  // Decodes the plane's next `n` bytes (black once the data has ended).
  void Fill(size_t n) {
    std::memmove(bytes, bytes + tail, 4);
    size_t at = have;
    const uint8_t* k = next;
    const uint8_t* const last = end;
    uint8_t* const out = bytes;
    while (at < n && k < last) {
      // Runs are at most 4 long, so these records all start inside the chunk.
      const size_t m = std::min<size_t>((n - at + 3) / 4, last - k);
      size_t i = 0;
      auto record = [&](uint8_t b) {
        std::memcpy(out + at, &kPlaneBytes[b], 4);
        at += PlaneRun(b);
      };
      for (; i + 4 <= m; i += 4) {
        record(k[i]);
        record(k[i + 1]);
        record(k[i + 2]);
        record(k[i + 3]);
      }
      for (; i < m; ++i) record(k[i]);
      k += m;
    }
    next = k;
    if (at < n) {
      std::memset(bytes + at, 0, n - at);
      have = 0;
    } else {
      have = at - n;  // the last run's pixels past the chunk
    }
    tail = n;
  }
};

// Sixteen pixels from sixteen bytes of each plane, in eight byte and
// half-word interleaves (the compiler's own vectorising of the plain loop
// widens each plane apart and takes more than twice as many).
#if defined(__clang__)
#define KORVANA_SHUFFLE(Mask, a, b, ...) __builtin_shufflevector(a, b, __VA_ARGS__)
#else
#define KORVANA_SHUFFLE(Mask, a, b, ...) __builtin_shuffle(a, b, Mask{__VA_ARGS__})
#endif
void Weave16(const uint8_t* blue, const uint8_t* green, const uint8_t* red, uint32_t* out) {
  using pixels::V16, pixels::V8, pixels::V4;
  V16 b, g, r;
  std::memcpy(&b, blue, 16);
  std::memcpy(&g, green, 16);
  std::memcpy(&r, red, 16);
  const V16 zero{};
  const auto low = [](V16 x, V16 y) {
    return reinterpret_cast<V8>(
        KORVANA_SHUFFLE(V16, x, y, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23));
  };
  const auto high = [](V16 x, V16 y) {
    return reinterpret_cast<V8>(
        KORVANA_SHUFFLE(V16, x, y, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31));
  };
  const V8 halves[2][2] = {{low(b, g), low(r, zero)}, {high(b, g), high(r, zero)}};
  for (int h = 0; h < 2; ++h) {
    const V8 bg = halves[h][0], r0 = halves[h][1];
    pixels::Store(out + 8 * h,
                  reinterpret_cast<V4>(KORVANA_SHUFFLE(V8, bg, r0, 0, 8, 1, 9, 2, 10, 3, 11)));
    pixels::Store(out + 8 * h + 4,
                  reinterpret_cast<V4>(KORVANA_SHUFFLE(V8, bg, r0, 4, 12, 5, 13, 6, 14, 7, 15)));
  }
}
#undef KORVANA_SHUFFLE

void DecodePlanes(const uint8_t* data, size_t length, uint32_t* px, size_t count) {
  PlaneChunks planes[3];
  size_t from = 0, spill = 0;
  uint8_t spillValue = 0;
  for (PlaneChunks& plane : planes) {
    plane.next = data + from;
    plane.have = spill;
    plane.tail = 0;
    std::memset(plane.bytes, spillValue, 4);
    const size_t end = PlaneEnd(data, from, length, spill, count, spill);
    if (end > from) spillValue = PlaneValue(data[end - 1]);
    plane.end = data + end;
    from = end;
  }
  for (size_t start = 0; start < count; start += kChunk) {
    const size_t n = std::min(kChunk, count - start);
    for (PlaneChunks& plane : planes) plane.Fill(n);
    const uint8_t* __restrict blue = planes[0].bytes;
    const uint8_t* __restrict green = planes[1].bytes;
    const uint8_t* __restrict red = planes[2].bytes;
    uint32_t* __restrict out = px + start;
    size_t i = 0;
    for (; i + 16 <= n; i += 16) Weave16(blue + i, green + i, red + i, out + i);
    for (; i < n; ++i)
      out[i] = uint32_t{blue[i]} | (uint32_t{green[i]} << 8) | (uint32_t{red[i]} << 16);
  }
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
  // Coding 18 writes every pixel whatever the data.
  if (hd.coding == 18)
    picture.ResizeToOverwrite(hd.width, hd.height);
  else
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
    case 18:
      DecodePlanes(data, length, px, count);
      break;
    default:
      break;
  }
  return true;
}

}  // namespace korvana
