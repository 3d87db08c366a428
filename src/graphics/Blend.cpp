#include "graphics/Blend.h"

#include <algorithm>
#include <cstring>

#include "graphics/Picture.h"
#include "graphics/PixelVectors.h"
#include "graphics/RowPasses.h"

namespace korvana {
namespace {

using namespace pixels;

constexpr uint32_t kRgb = 0x00FFFFFF;

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
void NoMaskRows(const RowPass& p, int first, int rows) {
  for (int i = first; i < first + rows; ++i)
    RowNoMask<Op>(p.dest + i * p.destStride, p.src + i * p.srcStride, p.n);
}

template <typename Op>
void MaskRows(const RowPass& p, int first, int rows) {
  for (int i = first; i < first + rows; ++i)
    RowMask<Op>(p.dest + i * p.destStride, p.src + i * p.srcStride, p.mask + i * p.maskStride,
                p.n);
}

struct Kernels {
  RowKernel noMask, mask;
};
template <typename Op>
constexpr Kernels KernelsOf() {
  return {NoMaskRows<Op>, MaskRows<Op>};
}

constexpr Kernels kKernels[kBlendModeCount] = {
    KernelsOf<OpCopy>(),     KernelsOf<OpOr>(),       KernelsOf<OpAnd>(),
    KernelsOf<OpXor>(),      KernelsOf<OpHalf>(),     KernelsOf<OpIncrease>(),
    KernelsOf<OpDecrease>(), KernelsOf<OpScreen>(),   KernelsOf<OpOverlay>()};

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

bool BlendPass(int blendMode, int x, int y, int w, int h, const Picture& source, Picture& dest,
               const Picture& mask, int maskMode, RowPass& pass) {
  if (blendMode < 0 || blendMode >= kBlendModeCount || maskMode < 0 || maskMode > 2) return false;
  // Ours: never past the source picture.
  const int64_t W = std::min(w, source.Width()), H = std::min(h, source.Height());
  const int64_t dw = dest.Width(), dh = dest.Height();
  int64_t X = x, Y = y;
  if (X + W < 0 || Y + H < 0 || X >= dw || Y >= dh) return false;
  // Then clipped to the destination.
  int64_t sy0 = 0, rows = H;
  if (Y < 0) {
    sy0 = -Y;
    rows = Y + H;
    Y = 0;
  }
  const int64_t dx0 = std::max<int64_t>(X, 0);
  const int64_t sx0 = X < 0 ? -X : 0;
  int64_t cols = X + W > dw ? dw - dx0 : W - sx0;
  if (Y + rows > dh) rows = dh - Y;
  if (rows <= 0 || cols <= 0) return false;

  pass = RowPass{};
  pass.dest = dest.Row(static_cast<int>(Y)) + dx0;
  pass.destStride = static_cast<size_t>(dw);
  pass.src = source.Row(static_cast<int>(sy0)) + sx0;
  pass.srcStride = static_cast<size_t>(source.Width());
  pass.written = &dest;
  pass.read[0] = &source;
  pass.readRow0[0] = sy0 - Y;
  if (maskMode == 0) {
    pass.kernel = kKernels[blendMode].noMask;
  } else {
    // Mask position: the source's (mode 1) or the destination's (mode 2).
    // Rows below the mask and columns right of it are left alone.
    const int64_t mx = maskMode == 1 ? sx0 : dx0;
    const int64_t my = maskMode == 1 ? sy0 : Y;
    rows = std::min(rows, mask.Height() - my);
    cols = std::min(cols, mask.Width() - mx);
    if (rows <= 0 || cols <= 0) return false;
    pass.kernel = kKernels[blendMode].mask;
    pass.mask = mask.Row(static_cast<int>(my)) + mx;
    pass.maskStride = static_cast<size_t>(mask.Width());
    pass.read[1] = &mask;
    pass.readRow0[1] = my - Y;
  }
  pass.y0 = static_cast<int>(Y);
  pass.rows = static_cast<int>(rows);
  pass.n = static_cast<int>(cols);
  return true;
}

void BlendEffect(int blendMode, int x, int y, int w, int h, const Picture& source, Picture& dest,
                 const Picture& mask, int maskMode) {
  RowPass pass;
  if (BlendPass(blendMode, x, y, w, h, source, dest, mask, maskMode, pass)) pass.RunAll();
}

#define KORVANA_BLEND(Name, mode)                                                              \
  void Name(int x, int y, int w, int h, const Picture& source, Picture& dest,                  \
            const Picture& mask, int maskMode) {                                               \
    BlendEffect(mode, x, y, w, h, source, dest, mask, maskMode);                               \
  }
KORVANA_BLEND(BlendCopy, 0)
KORVANA_BLEND(BlendOr, 1)
KORVANA_BLEND(BlendAnd, 2)
KORVANA_BLEND(BlendXor, 3)
KORVANA_BLEND(BlendHalf, 4)
KORVANA_BLEND(BlendIncrease, 5)
KORVANA_BLEND(BlendDecrease, 6)
KORVANA_BLEND(BlendScreen, 7)
KORVANA_BLEND(BlendOverlay, 8)
#undef KORVANA_BLEND

void TilePicture(const Picture& tile, Picture& target) {
  const int tw = tile.Width(), th = tile.Height();
  if (tw == 0 || th == 0 || target.Width() == 0 || target.Height() == 0) return;
  const int nx = (target.Width() + tw - 1) / tw, ny = (target.Height() + th - 1) / th;
  for (int j = 0; j < ny; ++j)
    for (int i = 0; i < nx; ++i) target.Blit(i * tw, j * th, tw, th, tile, 0, 0);
}

}  // namespace korvana
