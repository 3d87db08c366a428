#pragma once
// Compares a picture with an approved one, allowing for small differences:
// a pixel counts as changed when one of its channels moved by more than the
// pixel tolerance, and the pictures match while the changed pixels stay
// within the allowed share. Used by the author's regression tests.
#include <cstdint>

#include "graphics/Picture.h"

namespace korvana {

struct PictureTolerance {
  int pixel = 0;       // 0-255: the largest channel difference still equal
  double share = 0.0;  // 0-100: percent of changed pixels still a match
};

struct PictureComparison {
  bool sameSize = true;
  int64_t changed = 0;  // pixels past the pixel tolerance
  int64_t total = 0;
  bool matches = false;
  double ChangedPercent() const {
    return total == 0 ? 0.0 : 100.0 * static_cast<double>(changed) / static_cast<double>(total);
  }
};

PictureComparison ComparePictures(const Picture& approved, const Picture& actual,
                                  const PictureTolerance& tolerance);

// What changed, for the eye: the approved picture faded three quarters of
// the way to mid grey, with each changed pixel pure red on it.
inline constexpr uint32_t kChangedPixelColour = 0xFF0000;
Picture DifferencePicture(const Picture& approved, const Picture& actual, int pixelTolerance);
// One channel of the faded copy, and a whole pixel (0x00RRGGBB).
inline uint32_t FadedChannel(uint32_t c) {
  return (c + 3 * 128) / 4;
}
inline uint32_t FadedColour(uint32_t c) {
  return (FadedChannel((c >> 16) & 0xFF) << 16) | (FadedChannel((c >> 8) & 0xFF) << 8) |
         FadedChannel(c & 0xFF);
}

}  // namespace korvana
