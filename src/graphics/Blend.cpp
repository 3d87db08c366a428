#include "graphics/Blend.h"

#include <algorithm>
#include <cstring>

#include "graphics/Picture.h"

namespace korvana {
namespace {

// Four pixels at a time through the compiler's portable vector types (GCC and
// clang turn these into SSE2/NEON); the scalar form does the row's tail and
// is the reference of the tests.
typedef uint32_t V4 __attribute__((vector_size(16)));
typedef uint8_t V16 __attribute__((vector_size(16)));

constexpr uint32_t kRgb = 0x00FFFFFF;

inline V4 Load(const uint32_t* p) {
  V4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void Store(uint32_t* p, V4 v) { std::memcpy(p, &v, sizeof v); }
inline V4 Splat(uint32_t x) { return V4{x, x, x, x}; }
inline V16 B(V4 v) { return reinterpret_cast<V16>(v); }
inline V4 W(V16 v) { return reinterpret_cast<V4>(v); }

// Per-channel scalar helpers.
inline uint32_t PerChannel(uint32_t d, uint32_t s, uint32_t (*f)(uint32_t, uint32_t)) {
  uint32_t r = 0;
  for (int c = 0; c < 24; c += 8) r |= f((d >> c) & 0xFF, (s >> c) & 0xFF) << c;
  return r;
}

struct OpCopy {
  static uint32_t One(uint32_t, uint32_t s) { return s; }
  static V4 Vec(V4, V4 s) { return s; }
};
struct OpOr {
  static uint32_t One(uint32_t d, uint32_t s) { return d | s; }
  static V4 Vec(V4 d, V4 s) { return d | s; }
};
struct OpAnd {
  static uint32_t One(uint32_t d, uint32_t s) { return d & s; }
  static V4 Vec(V4 d, V4 s) { return d & s; }
};
struct OpXor {
  static uint32_t One(uint32_t d, uint32_t s) { return d ^ s; }
  static V4 Vec(V4 d, V4 s) { return d ^ s; }
};
struct OpHalf {
  static uint32_t One(uint32_t d, uint32_t s) {
    return ((s >> 1) & 0x7F7F7F) + ((d >> 1) & 0x7F7F7F);
  }
  static V4 Vec(V4 d, V4 s) {
    const V4 m = Splat(0x7F7F7F);
    return ((s >> 1) & m) + ((d >> 1) & m);
  }
};
struct OpIncrease {
  static uint32_t One(uint32_t d, uint32_t s) {
    return PerChannel(d, s, [](uint32_t a, uint32_t b) { return std::min<uint32_t>(255, a + b); });
  }
  static V4 Vec(V4 d, V4 s) {
    const V16 a = B(d), r = a + B(s);
    return W(r | reinterpret_cast<V16>(r < a)) & Splat(kRgb);
  }
};
struct OpDecrease {
  static uint32_t One(uint32_t d, uint32_t s) {
    return PerChannel(d, s, [](uint32_t a, uint32_t b) { return a > b ? a - b : 0u; });
  }
  static V4 Vec(V4 d, V4 s) {
    const V16 a = B(d), b = B(s);
    return W((a - b) & reinterpret_cast<V16>(a >= b)) & Splat(kRgb);
  }
};
struct OpScreen {
  static uint32_t One(uint32_t d, uint32_t s) {
    return PerChannel(d, s, [](uint32_t a, uint32_t b) { return std::max(a, b); });
  }
  static V4 Vec(V4 d, V4 s) {
    const V16 a = B(d), b = B(s), gt = reinterpret_cast<V16>(a > b);
    return W((a & gt) | (b & ~gt)) & Splat(kRgb);
  }
};
struct OpOverlay {
  static uint32_t One(uint32_t d, uint32_t s) {
    return PerChannel(d, s, [](uint32_t a, uint32_t b) { return a < b ? b : (a + b) >> 1; });
  }
  static V4 Vec(V4 d, V4 s) {
    const V16 a = B(d), b = B(s), lt = reinterpret_cast<V16>(a < b);
    const V16 half = static_cast<V16>((a & b) + ((a ^ b) >> 1));  // (a + b) >> 1 without overflow
    return W((b & lt) | (half & ~lt)) & Splat(kRgb);
  }
};

template <typename Op>
void RowNoMask(uint32_t* __restrict d, const uint32_t* __restrict s, int n) {
  int j = 0;
  for (; j + 4 <= n; j += 4) Store(d + j, Op::Vec(Load(d + j), Load(s + j)));
  for (; j < n; ++j) d[j] = Op::One(d[j], s[j]);
}

template <typename Op>
void RowMask(uint32_t* __restrict d, const uint32_t* __restrict s, const uint32_t* __restrict m,
             int n) {
  int j = 0;
  const V4 zero = Splat(0);
  for (; j + 4 <= n; j += 4) {
    const V4 dv = Load(d + j);
    const V4 sel = reinterpret_cast<V4>(Load(m + j) == zero);
    Store(d + j, (Op::Vec(dv, Load(s + j)) & sel) | (dv & ~sel));
  }
  for (; j < n; ++j)
    if (m[j] == 0) d[j] = Op::One(d[j], s[j]);
}

template <typename Op>
void Run(int x, int y, int w, int h, const Picture& source, Picture& dest, const Picture& mask,
         int maskMode) {
  if (maskMode < 0 || maskMode > 2) return;
  // Ours: never past the source picture.
  int64_t W = std::min(w, source.Width()), H = std::min(h, source.Height());
  const int64_t dw = dest.Width(), dh = dest.Height();
  int64_t X = x, Y = y;
  if (X + W < 0 || Y + H < 0 || X >= dw || Y >= dh) return;
  // Then clipped to the destination.
  int64_t sy0 = 0, rows = H;
  if (Y < 0) {
    sy0 = -Y;
    rows = Y + H;
    Y = 0;
  }
  const int64_t dx0 = std::max<int64_t>(X, 0);
  const int64_t sx0 = X < 0 ? -X : 0;
  const int64_t cols = X + W > dw ? dw - dx0 : W - sx0;
  if (Y + rows > dh) rows = dh - Y;
  if (rows <= 0 || cols <= 0) return;

  for (int64_t i = 0; i < rows; ++i) {
    uint32_t* d = dest.Row(static_cast<int>(Y + i)) + dx0;
    const uint32_t* s = source.Row(static_cast<int>(sy0 + i)) + sx0;
    if (maskMode == 0) {
      RowNoMask<Op>(d, s, static_cast<int>(cols));
      continue;
    }
    // Mask position: the source's (mode 1) or the destination's (mode 2).
    const int64_t mx = maskMode == 1 ? sx0 : dx0;
    const int64_t my = maskMode == 1 ? sy0 + i : Y + i;
    if (my >= mask.Height()) continue;
    const int64_t n = std::min<int64_t>(cols, mask.Width() - mx);
    if (n <= 0) continue;
    RowMask<Op>(d, s, mask.Row(static_cast<int>(my)) + mx, static_cast<int>(n));
  }
}

constexpr const char* kKeywords[kBlendModeCount] = {"#COPY",     "#OR",       "#AND",
                                                    "#XOR",      "#BLEND",    "#INCREASE",
                                                    "#DECREASE", "#SCREEN",   "#OVERLAY"};

}  // namespace

std::optional<int> BlendModeFromKeyword(std::string_view keyword) {
  for (int i = 0; i < kBlendModeCount; ++i)
    if (keyword == kKeywords[i]) return i;
  return std::nullopt;
}

const char* BlendKeyword(int blendMode) {
  return blendMode >= 0 && blendMode < kBlendModeCount ? kKeywords[blendMode] : "";
}

uint32_t BlendPixel(int blendMode, uint32_t d, uint32_t s) {
  switch (blendMode) {
    case 0: return OpCopy::One(d, s);
    case 1: return OpOr::One(d, s);
    case 2: return OpAnd::One(d, s);
    case 3: return OpXor::One(d, s);
    case 4: return OpHalf::One(d, s);
    case 5: return OpIncrease::One(d, s);
    case 6: return OpDecrease::One(d, s);
    case 7: return OpScreen::One(d, s);
    case 8: return OpOverlay::One(d, s);
    default: return d;
  }
}

#define KORVANA_BLEND(Name, Op)                                                                 \
  void Name(int x, int y, int w, int h, const Picture& source, Picture& dest,                  \
            const Picture& mask, int maskMode) {                                               \
    Run<Op>(x, y, w, h, source, dest, mask, maskMode);                                         \
  }
KORVANA_BLEND(BlendCopy, OpCopy)
KORVANA_BLEND(BlendOr, OpOr)
KORVANA_BLEND(BlendAnd, OpAnd)
KORVANA_BLEND(BlendXor, OpXor)
KORVANA_BLEND(BlendHalf, OpHalf)
KORVANA_BLEND(BlendIncrease, OpIncrease)
KORVANA_BLEND(BlendDecrease, OpDecrease)
KORVANA_BLEND(BlendScreen, OpScreen)
KORVANA_BLEND(BlendOverlay, OpOverlay)
#undef KORVANA_BLEND

void BlendEffect(int blendMode, int x, int y, int w, int h, const Picture& source, Picture& dest,
                 const Picture& mask, int maskMode) {
  using Fn = void (*)(int, int, int, int, const Picture&, Picture&, const Picture&, int);
  static constexpr Fn kRoutines[kBlendModeCount] = {
      BlendCopy,     BlendOr,       BlendAnd,    BlendXor,    BlendHalf,
      BlendIncrease, BlendDecrease, BlendScreen, BlendOverlay};
  if (blendMode < 0 || blendMode >= kBlendModeCount) return;
  kRoutines[blendMode](x, y, w, h, source, dest, mask, maskMode);
}

void TilePicture(const Picture& tile, Picture& target) {
  const int tw = tile.Width(), th = tile.Height();
  if (tw == 0 || th == 0 || target.Width() == 0 || target.Height() == 0) return;
  const int nx = (target.Width() + tw - 1) / tw, ny = (target.Height() + th - 1) / th;
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) target.Blit(i * tw, j * th, tw, th, tile, 0, 0);
}

}  // namespace korvana
