#pragma once
// Four pixels at a time through the compiler's portable vector types (GCC and
// clang turn these into SSE2 on x86-64 and NEON on ARM, and into plain
// integer code elsewhere); the scalar forms do the rows' tails.
#include <cstdint>
#include <cstring>

namespace korvana::pixels {

typedef uint32_t V4 __attribute__((vector_size(16)));
typedef uint16_t V8 __attribute__((vector_size(16)));
typedef uint8_t V16 __attribute__((vector_size(16)));

inline V4 Load(const uint32_t* p) {
  V4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void Store(uint32_t* p, V4 v) { std::memcpy(p, &v, sizeof v); }
inline V4 Splat(uint32_t x) { return V4{x, x, x, x}; }
inline V16 B(V4 v) { return reinterpret_cast<V16>(v); }
inline V4 W(V16 v) { return reinterpret_cast<V4>(v); }

}  // namespace korvana::pixels
