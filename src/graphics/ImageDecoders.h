#pragma once
// The published formats, through their libraries: BMP through
// SDL2's reader, JPEG through libjpeg-turbo, PNG through libpng. Every decoder
// works on the file's bytes and ends with a 32-bit picture, top byte 0. On
// failure the picture is untouched and `error` holds the library's reason
// (ASCII). Pictures larger than kMaxPictureSide in either direction are
// refused before any pixel memory is taken.
#include <cstdint>
#include <span>
#include <string>

namespace korvana {

class Picture;

// The colour PNG transparency is flattened onto: the engine's pictures are
// opaque (transparency comes from colour keys and masks), so alpha is
// composited over the white that a fresh layer picture holds.
inline constexpr uint32_t kPngBackground = 0xFFFFFF;

// Every variant SDL2 reads: 1/4/8/16/24/32 bits, RLE4/RLE8, bit fields,
// top-down rows, OS/2 headers. The colours are copied as they are (any alpha
// in the file is ignored, as a plain copy does).
bool DecodeBmp(std::span<const uint8_t> bytes, Picture& picture, std::string& error);

// Baseline and progressive, grey, YCbCr and (Adobe) CMYK. A file that ends
// before its image data does is an error.
bool DecodeJpeg(std::span<const uint8_t> bytes, Picture& picture, std::string& error);

// Palette, grey, 16-bit (scaled to 8), interlaced; alpha and tRNS are
// composited over kPngBackground. No gamma correction.
bool DecodePng(std::span<const uint8_t> bytes, Picture& picture, std::string& error);

// Width and height from a BMP header, without decoding; false when the bytes
// are too short or do not start with "BM".
bool ReadBmpSize(std::span<const uint8_t> bytes, int64_t& width, int64_t& height, int& bits);

}  // namespace korvana
