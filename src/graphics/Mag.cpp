#include "graphics/Mag.h"

#include <cstdint>
#include <cstring>

#include "graphics/Picture.h"

namespace korvana {
namespace {

constexpr char kSigMag[] = "MAKI02  ";
constexpr char kSigOwn[] = "KRVIF1  ";

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Offset just behind the first 0x1A, or 0 when there is none.
size_t HeaderOffset(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return 0;
  const void* at = std::memchr(bytes.data(), 0x1A, bytes.size());
  if (!at) return 0;
  return static_cast<size_t>(static_cast<const uint8_t*>(at) - bytes.data()) + 1;
}

// The pixel data of a checked file into rows of B bytes, image row r at
// first + r × step (negative for the BMP's rows, which go up). Invalid data:
// flag B or pixel data running past the end of the file, a copy from above
// the first row or left of the row start.
//
// The decisions take no branches (they follow the data, which no predictor
// guesses; a branch per unit costs about as much as the rest): an invalid unit copies itself, so nothing outside a buffer is
// read, and the row it is in fails at its end. A row that cannot run out of
// data, below the 16th and right of its first two flag bytes is decoded
// without the checks.
class UnitDecoder {
 public:
  UnitDecoder(std::span<const uint8_t> file, const MagInfo& info, uint8_t* first, ptrdiff_t step)
      : file_(file), info_(info), first_(first), step_(step) {}

  // Decodes every row, `done(r)` after row r; false on invalid data. The
  // state lives in locals: the unit stores are bytes, which the compiler
  // must assume reach any member.
  template <typename RowDone>
  bool Run(RowDone done) {
    const uint8_t* const data = file_.data();
    const size_t len = file_.size();
    const uint32_t F = info_.flagBytesPerLine, rows = info_.height;
    size_t aPos = info_.headerOffset + info_.flagAOffset;  // all F × Hgt bits inside (check)
    size_t bPos = info_.headerOffset + info_.flagBOffset;
    size_t pPos = info_.headerOffset + info_.pixelOffset;
    unsigned aBit = 7;
    bool bad = false;
    std::vector<uint8_t> flagLine(F, 0);
    uint8_t* const flags = flagLine.data();
    ptrdiff_t back[16];  // bytes from a unit back to the one it copies
    for (int n = 0; n < 16; ++n) back[n] = kMagCopyDy[n] * step_ + 2 * kMagCopyDx[n];

    auto flagByte = [&]<bool kChecked>(uint32_t r, uint32_t i, uint8_t* row) {
      const bool takeB = (data[aPos] >> aBit) & 1;
      aPos += aBit == 0;
      aBit = (aBit - 1) & 7;
      const bool bInside = !kChecked || bPos < len;
      bad |= takeB && !bInside;
      const uint8_t v = data[bInside ? bPos : 0] & (takeB && bInside ? 0xFF : 0);
      bPos += takeB && bInside;
      const uint8_t flag = flags[i] ^= v;
      for (uint32_t half = 0; half < 2; ++half) {
        const unsigned nibble = half == 0 ? flag >> 4 : flag & 0x0F;
        uint8_t* unit = row + 4 * size_t{i} + 2 * half;
        const uint32_t p = 2 * i + half;  // unit index in the row
        const bool literal = nibble == 0;
        bool invalid = false;
        if constexpr (kChecked) {
          invalid = literal ? len - pPos < 2
                            : p < uint32_t(kMagCopyDx[nibble]) || r < uint32_t(kMagCopyDy[nibble]);
          bad |= invalid;
        }
        // Selected with masks: the compiler turns a conditional back into a
        // branch.
        const uintptr_t self = reinterpret_cast<uintptr_t>(unit);
        const uintptr_t useLiteral = uintptr_t{0} - literal, useSelf = uintptr_t{0} - invalid;
        uintptr_t from = (reinterpret_cast<uintptr_t>(data + pPos) & useLiteral) |
                         ((self - static_cast<uintptr_t>(back[nibble])) & ~useLiteral);
        from = (self & useSelf) | (from & ~useSelf);
        uint16_t u;
        std::memcpy(&u, reinterpret_cast<const uint8_t*>(from), 2);
        std::memcpy(unit, &u, 2);
        pPos += size_t{literal && !invalid} << 1;
      }
    };

    for (uint32_t r = 0; r < rows; ++r) {
      uint8_t* row = first_ + static_cast<ptrdiff_t>(r) * step_;
      const bool plenty = r >= 16 && len - pPos >= 4 * size_t{F} && len - bPos >= F;
      uint32_t i = 0;
      for (; i < F && (i < 2 || !plenty); ++i) flagByte.template operator()<true>(r, i, row);
      for (; i < F; ++i) flagByte.template operator()<false>(r, i, row);
      if (bad) return false;
      done(r);
    }
    return true;
  }

 private:
  const std::span<const uint8_t> file_;
  const MagInfo& info_;
  uint8_t* const first_;
  const ptrdiff_t step_;
};

}  // namespace

int MagCheckHeader(std::span<const uint8_t> bytes, MagInfo* out) {
  MagInfo local;
  MagInfo& info = out ? *out : local;
  info = MagInfo{};
  const size_t h = HeaderOffset(bytes);
  if (h == 0) return kMagNoHeader;
  info.headerOffset = h;
  const uint64_t len = bytes.size();
  if (len < h + 32) return kMagNoHeader;
  if (std::memcmp(bytes.data(), kSigMag, 8) == 0)
    info.ownVariant = false;
  else if (std::memcmp(bytes.data(), kSigOwn, 8) == 0)
    info.ownVariant = true;
  else
    return kMagBadSignature;

  const uint8_t* hd = bytes.data() + h;
  info.colors256 = (hd[3] & 0x80) != 0;
  info.x0 = U16(hd + 4);
  info.y0 = U16(hd + 6);
  info.x1 = U16(hd + 8);
  info.y1 = U16(hd + 10);
  info.flagAOffset = U32(hd + 12);
  info.flagBOffset = U32(hd + 16);
  info.flagBSize = U32(hd + 20);
  info.pixelOffset = U32(hd + 24);
  info.pixelSize = U32(hd + 28);
  // 16-bit unsigned arithmetic, as the fields.
  const uint16_t u = info.colors256 ? 4 : 8;
  const uint16_t ax0 = static_cast<uint16_t>(u * (info.x0 / u));
  const uint16_t ax1 = static_cast<uint16_t>(u * (info.x1 / u + 1) - 1);
  info.alignedX0 = ax0;
  info.alignedX1 = ax1;
  if (hd[0] != 0 || ax0 >= ax1) return kMagBadHeader;
  info.width = uint32_t{ax1} - ax0 + 1;
  info.height = static_cast<uint16_t>(info.y1 - info.y0 + 1);
  info.bytesPerLine = info.colors256 ? info.width : info.width / 2;
  info.flagBytesPerLine = info.bytesPerLine / 4;
  // Ours: nothing to show, or more than any picture may be.
  if (info.height == 0 || info.width > static_cast<uint32_t>(kMaxPictureSide) ||
      info.height > static_cast<uint32_t>(kMaxPictureSide))
    return kMagBadHeader;

  const uint64_t flagABytes =
      uint64_t{info.height} * ((static_cast<int64_t>(info.bytesPerLine / 2) - 1) / 16 + 1);
  if (h + uint64_t{info.flagAOffset} + flagABytes > len ||
      h + uint64_t{info.flagBOffset} + info.flagBSize > len ||
      h + uint64_t{info.pixelOffset} + info.pixelSize > len)
    return kMagTooShort;
  return kMagGood;
}

size_t MagToBmp::ProbeSize(std::span<const uint8_t> file) {
  const size_t h = HeaderOffset(file);
  if (h == 0) return 0;
  // The probe reads the first (offset of the 0x1A byte + 33) bytes.
  std::span<const uint8_t> prefix = file.first(std::min(file.size(), h + 32));
  MagInfo info;
  int check = MagCheckHeader(prefix, &info);
  if (check != kMagGood && check != kMagTooShort) return 0;
  return info.BmpSize();
}

int MagToBmp::Convert(std::span<const uint8_t> file, std::span<uint8_t> out) {
  MagInfo info;
  if (MagCheckHeader(file, &info) != kMagGood) return -1;
  const size_t h = info.headerOffset;
  const size_t len = file.size();
  const size_t paletteEnd = h + 32 + (info.colors256 ? 768 : 48);
  if (len < paletteEnd) return -1;
  const size_t bmpSize = info.BmpSize();
  if (out.size() < bmpSize) return -1;

  const uint32_t B = info.bytesPerLine, rows = info.height;
  const size_t paletteBytes = info.PaletteBytes();
  uint8_t* o = out.data();
  // File header.
  o[0] = 'B';
  o[1] = 'M';
  Put32(o + 2, static_cast<uint32_t>(bmpSize));
  Put32(o + 6, 0);
  Put32(o + 10, static_cast<uint32_t>(54 + paletteBytes));
  // Information header: positive height, rows bottom-up.
  std::memset(o + 14, 0, 40);
  Put32(o + 14, 40);
  Put32(o + 18, info.width);
  Put32(o + 22, rows);
  Put16(o + 26, 1);
  Put16(o + 28, info.colors256 ? 8 : 4);
  // Palette: the file stores green, red, blue.
  const uint8_t* pal = file.data() + h + 32;
  uint8_t* bp = o + 54;
  for (int i = 0; i < info.Colors(); ++i) {
    bp[4 * i + 0] = pal[3 * i + 2];
    bp[4 * i + 1] = pal[3 * i + 0];
    bp[4 * i + 2] = pal[3 * i + 1];
    bp[4 * i + 3] = 0;
  }

  // Image rows from the top are BMP rows from the end.
  uint8_t* const pixels = o + 54 + paletteBytes;
  UnitDecoder decoder(file, info, pixels + size_t{rows - 1} * B, -static_cast<ptrdiff_t>(B));
  return decoder.Run([](uint32_t) {}) ? 0 : -1;
}

bool MagToBmp::ConvertToBmp(std::span<const uint8_t> file, std::vector<uint8_t>& bmp,
                            bool* probed) {
  const size_t size = ProbeSize(file);
  if (probed) *probed = size != 0;
  if (size == 0) return false;
  bmp.assign(size, 0);
  return Convert(file, bmp) == 0;
}

bool DecodeMag(std::span<const uint8_t> file, Picture& picture, bool* probed) {
  const bool probeOk = MagToBmp::ProbeSize(file) != 0;
  if (probed) *probed = probeOk;
  MagInfo info;
  if (!probeOk || MagCheckHeader(file, &info) != kMagGood) return false;
  const size_t h = info.headerOffset;
  if (file.size() < h + 32 + (info.colors256 ? 768 : 48)) return false;
  // The palette as the BMP reader reads the one the converter writes: the
  // file stores green, red, blue.
  const uint8_t* pal = file.data() + h + 32;
  uint32_t colors[256] = {};
  for (int i = 0; i < info.Colors(); ++i)
    colors[i] = (uint32_t{pal[3 * i + 1]} << 16) | (uint32_t{pal[3 * i]} << 8) | pal[3 * i + 2];
  // Sixteen colours: a byte is two pixels, the high nibble first.
  uint64_t pairs[256];
  if (!info.colors256)
    for (int b = 0; b < 256; ++b) pairs[b] = colors[b >> 4] | (uint64_t{colors[b & 15]} << 32);

  const uint32_t B = info.bytesPerLine;
  std::vector<uint8_t> units(size_t{B} * info.height);
  Picture out(static_cast<int>(info.width), static_cast<int>(info.height));
  auto expand = [&](uint32_t r) {
    const uint8_t* __restrict row = units.data() + size_t{r} * B;
    uint32_t* __restrict dst = out.Row(static_cast<int>(r));
    if (info.colors256) {
      for (uint32_t x = 0; x < B; ++x) dst[x] = colors[row[x]];
    } else {
      for (uint32_t x = 0; x < B; ++x) std::memcpy(dst + 2 * x, &pairs[row[x]], 8);
    }
  };
  UnitDecoder decoder(file, info, units.data(), static_cast<ptrdiff_t>(B));
  if (!decoder.Run(expand)) return false;
  picture = std::move(out);
  return true;
}

}  // namespace korvana
