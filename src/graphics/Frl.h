#pragma once
// FRL run-length true-colour pictures.
#include <cstdint>
#include <span>

namespace korvana {

class Picture;

struct FrlHeader {
  int32_t coding = 0;  // 24, 18, 12 or 10; anything else decodes nothing
  int32_t width = 0;
  int32_t height = 0;
  uint32_t length = 0;  // bytes of coded data behind the 40-byte header
};

// The header of an FRL file: false when the file is shorter than 40 bytes or
// does not start with the ASCII bytes F, R, L.
bool ReadFrlHeader(std::span<const uint8_t> file, FrlHeader& header);

// The FRL decoder on the file's bytes. False (picture untouched)
// when ReadFrlHeader fails or, ours, when the width or height is not between
// 1 and kMaxPictureSide. Otherwise the picture becomes width × height, black,
// and the coded data is decoded into it; true. A length beyond the file is cut
// to the file; runs past the last pixel (past the red plane for coding 18) are
// cut; an unknown coding leaves the picture black.
bool DecodeFrl(std::span<const uint8_t> file, Picture& picture);

}  // namespace korvana
