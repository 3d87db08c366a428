#pragma once
// The arithmetic of positions and sizes that scripts and saved games supply.
// Their values are any 32-bit integers, so a sum or product of two of them
// can overflow int: each such computation is done in 64 bits and brought
// back through one of these two, never in int directly.
#include <algorithm>
#include <cstdint>

namespace korvana {

// A value the script keeps and can read back (the text cursor, limits):
// wrapped at 32 bits as the script's own integers are, so extreme values
// give the numbers the language would give instead of undefined behaviour.
constexpr int32_t WrapInt32(int64_t v) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

// A drawing position or extent: anything this far off the 640 × 480 screen
// draws nothing, so pinning it changes no pixel and leaves room to add the
// edges, offsets and scale factors of drawing to it within int.
inline constexpr int64_t kFarCoordinate = int64_t{1} << 20;
constexpr int PinCoordinate(int64_t v) {
  return static_cast<int>(std::clamp<int64_t>(v, -kFarCoordinate, kFarCoordinate));
}

}  // namespace korvana
