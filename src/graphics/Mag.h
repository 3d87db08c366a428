#pragma once
// MAG pictures ("MAKI02  ") and the engine's own variant ("KRVIF1  ").
// The converter `TM2BC` (MagToBmp here) turns a MAG file into the bytes of a
// Windows bitmap file (4 or 8 bits per pixel with palette) that the BMP reader
// then reads, exactly as the format has it; it works on bytes in memory so
// that the loader, the picture tool, the benchmarks and the fuzzers share it.
//
// Invalid input never reads or writes outside a buffer: flag B or pixel data
// that runs past the end of the file, and copy nibbles that point above the
// first row or left of the row start, make the conversion fail.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace korvana {

class Picture;

// Results of MagCheckHeader (the header check codes).
enum MagCheckResult : int {
  kMagGood = 0,        // header and all data inside the file
  kMagTooShort = 1,    // flag A, flag B or pixel data run past the end
  kMagNoHeader = 2,    // no 0x1A byte, or fewer than H + 32 bytes
  kMagBadSignature = 3,
  kMagBadHeader = 4,   // top byte not 0, X0 >= X1, or (ours) a size of 0 or above 8192
};

// What the header says, with the derived values.
struct MagInfo {
  bool ownVariant = false;   // signature "KRVIF1  "
  bool colors256 = false;    // screen mode bit 7
  uint16_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // as stored
  uint32_t alignedX0 = 0, alignedX1 = 0;    // X0, X1
  uint32_t width = 0;        // W = X1 - X0 + 1 (with the alignment columns)
  uint32_t height = 0;       // Hgt = y1 - y0 + 1 (16-bit)
  uint32_t bytesPerLine = 0; // B
  uint32_t flagBytesPerLine = 0;  // F = B / 4
  size_t headerOffset = 0;   // H: just behind the first 0x1A
  uint32_t flagAOffset = 0, flagBOffset = 0, flagBSize = 0;  // from H
  uint32_t pixelOffset = 0, pixelSize = 0;                   // from H
  int Colors() const { return colors256 ? 256 : 16; }
  size_t PaletteBytes() const { return colors256 ? 1024 : 64; }  // in the BMP
  // Size of the BMP file the conversion writes.
  size_t BmpSize() const { return 54 + PaletteBytes() + size_t{bytesPerLine} * height; }
};

// The header check on `bytes` (the whole file, or the probe's
// prefix). `info` is filled as far as the header could be read.
int MagCheckHeader(std::span<const uint8_t> bytes, MagInfo* info = nullptr);

// The MAG converter.
class MagToBmp {
 public:
  // Size probe on the file's bytes: runs the check on the first (offset of the
  // first 0x1A + 33) bytes; the BMP size when it gives 0 or 1, else 0.
  static size_t ProbeSize(std::span<const uint8_t> file);
  // Conversion: 0 when `out` (at least ProbeSize bytes) holds the complete BMP
  // file, -1 on failure (check not 0, palette outside the file, data running
  // past the file, a copy from outside the picture, `out` too small).
  static int Convert(std::span<const uint8_t> file, std::span<uint8_t> out);
  // Probe, allocate, convert into `bmp`; false as Convert. `probed` tells
  // whether the probe succeeded (the loader shows "Failed by MMAG_MagtoBmp"
  // only then).
  static bool ConvertToBmp(std::span<const uint8_t> file, std::vector<uint8_t>& bmp,
                           bool* probed = nullptr);
};

// The picture the BMP reader makes of the converter's bitmap, without the
// bitmap: false (picture untouched) where ConvertToBmp fails, with the same
// `probed`.
bool DecodeMag(std::span<const uint8_t> file, Picture& picture, bool* probed = nullptr);

// The copy table for flag values 1..15 (index 0 unused): dx in
// 2-byte units, dy in rows.
inline constexpr int kMagCopyDx[16] = {0, 1, 2, 4, 0, 1, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0};
inline constexpr int kMagCopyDy[16] = {0, 0, 0, 0, 1, 1, 2, 2, 2, 4, 4, 4, 8, 8, 8, 16};

}  // namespace korvana
