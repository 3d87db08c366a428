#pragma once
// The picture in PNG bytes, read by the game's own decoder; empty when they
// are not a PNG.
#include <cstdint>
#include <span>
#include <string>

#include "graphics/Picture.h"
#include "graphics/PictureLoader.h"

namespace korvana::test {

inline Picture ReadPng(const std::string& bytes) {
  Picture picture;
  std::string error;
  DecodePicture(PictureFormat::Png,
                std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), picture,
                error);
  return picture;
}

}  // namespace korvana::test
