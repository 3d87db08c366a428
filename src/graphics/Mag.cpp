#include "graphics/Mag.h"

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

  const uint32_t B = info.bytesPerLine, F = info.flagBytesPerLine, rows = info.height;
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

  // Pixel data, image row by image row from the top = BMP rows from the end.
  const uint8_t* const data = file.data();
  size_t aPos = h + info.flagAOffset;  // inside the file for all F × Hgt bits (check)
  size_t bPos = h + info.flagBOffset;
  size_t pPos = h + info.pixelOffset;
  uint8_t aMask = 0x80;
  std::vector<uint8_t> flagLine(F, 0);
  uint8_t* const pixels = o + 54 + paletteBytes;
  for (uint32_t r = 0; r < rows; ++r) {
    uint8_t* row = pixels + size_t{rows - 1 - r} * B;
    for (uint32_t i = 0; i < F; ++i) {
      uint8_t v = 0;
      if (data[aPos] & aMask) {
        if (bPos >= len) return -1;
        v = data[bPos++];
      }
      aMask >>= 1;
      if (aMask == 0) {
        aMask = 0x80;
        ++aPos;
      }
      const uint8_t flag = flagLine[i] ^= v;
      uint8_t* dst = row + 4 * size_t{i};
      if (flag == 0) {
        if (len - pPos < 4) return -1;
        std::memcpy(dst, data + pPos, 4);
        pPos += 4;
        continue;
      }
      for (int half = 0; half < 2; ++half) {
        const int nibble = half == 0 ? flag >> 4 : flag & 0x0F;
        uint8_t* unit = dst + 2 * half;
        if (nibble == 0) {
          if (len - pPos < 2) return -1;
          std::memcpy(unit, data + pPos, 2);
          pPos += 2;
          continue;
        }
        const uint32_t p = 2 * i + half;  // unit index in the row
        const uint32_t dx = kMagCopyDx[nibble], dy = kMagCopyDy[nibble];
        if (p < dx || r < dy) return -1;  // outside the picture: invalid input
        // Row r - dy lies dy BMP rows further on.
        const uint8_t* from = unit + size_t{dy} * B - 2 * size_t{dx};
        unit[0] = from[0];
        unit[1] = from[1];
      }
    }
  }
  return 0;
}

bool MagToBmp::ConvertToBmp(std::span<const uint8_t> file, std::vector<uint8_t>& bmp,
                            bool* probed) {
  const size_t size = ProbeSize(file);
  if (probed) *probed = size != 0;
  if (size == 0) return false;
  bmp.assign(size, 0);
  return Convert(file, bmp) == 0;
}

}  // namespace korvana
