#pragma once
// The tiny movies under tests/data/movie (made by make.sh there): 64 × 48 at
// 10 frames a second for 0.6 s, the left half red, then green, then blue
// for 0.2 s each, the right half white; the sound a 441 Hz sine at half of
// full scale.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "TestPaths.h"

namespace korvana::test {

inline std::string MovieSample(const std::string& name) {
  return std::string(KORVANA_TEST_DATA) + "/movie/" + name;
}

// Lossy codecs move a flat colour a little; far enough for every channel
// to tell red, green, blue, white and black apart.
inline bool NearColour(uint32_t got, uint32_t want) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = (got >> shift) & 0xFF, b = (want >> shift) & 0xFF;
    if (std::abs(a - b) > 60) return false;
  }
  return true;
}

// The left half's colour at `ms` into the movie.
inline uint32_t SampleLeftColour(int64_t ms) {
  return ms < 200 ? 0xFF0000 : ms < 400 ? 0x00FF00 : 0x0000FF;
}
inline constexpr uint32_t kSampleRightColour = 0xFFFFFF;

}  // namespace korvana::test
