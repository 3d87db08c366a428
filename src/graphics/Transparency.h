#pragma once
// What a picture's transparency argument comes to (ParseTransparencySpec)
// besides a colour key 0x00BBGGRR; the layer records keep these values.
#include <cstdint>

namespace korvana {

inline constexpr int32_t kNoTransparency = 0x1FFFFFFF;
inline constexpr int32_t kMaskFromFile = 0x7FFFFFFF;

}  // namespace korvana
