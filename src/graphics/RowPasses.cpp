#include "graphics/RowPasses.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "graphics/Blend.h"
#include "graphics/PixelVectors.h"

namespace korvana {
namespace {

using namespace pixels;

template <typename Op>
void RasterRows(const RowPass& p, int first, int rows) {
  for (int i = first; i < first + rows; ++i) {
    uint32_t* __restrict d = p.dest + i * p.destStride;
    const uint32_t* __restrict s = p.src + i * p.srcStride;
    for (int x = 0, n = p.n; x < n; ++x) d[x] = Op{}(d[x], s[x]);
  }
}

struct AndOp {
  uint32_t operator()(uint32_t d, uint32_t s) const { return d & s; }
};
struct OrOp {
  uint32_t operator()(uint32_t d, uint32_t s) const { return d | s; }
};
struct XorOp {
  uint32_t operator()(uint32_t d, uint32_t s) const { return d ^ s; }
};
struct NotCopyOp {
  uint32_t operator()(uint32_t, uint32_t s) const { return ~s & 0x00FFFFFFu; }
};

void CopyRows(const RowPass& p, int first, int rows) {
  for (int i = first; i < first + rows; ++i)
    std::memcpy(p.dest + i * p.destStride, p.src + i * p.srcStride, static_cast<size_t>(p.n) * 4);
}

// An AND blit followed by an OR blit of the same rectangle (a masked
// picture): `mask` holds the AND's source.
void AndOrRows(const RowPass& p, int first, int rows) {
  for (int i = first; i < first + rows; ++i) {
    uint32_t* __restrict d = p.dest + i * p.destStride;
    const uint32_t* __restrict s = p.src + i * p.srcStride;
    const uint32_t* __restrict m = p.mask + i * p.maskStride;
    for (int x = 0, n = p.n; x < n; ++x) d[x] = (d[x] & m[x]) | s[x];
  }
}

void FillRows(const RowPass& p, int first, int rows) {
  for (int i = first; i < first + rows; ++i)
    std::fill_n(p.dest + i * p.destStride, p.n, p.arg);
}

// Each channel c to (c × f) >> 8 with f below 256, the top byte to 0. The
// products fit 16 bits, so red and blue are multiplied in the 16-bit lanes
// they fall in, and green and the top byte in the lanes they fall in once
// shifted down by 8 (the top byte's factor is 0).
inline uint32_t DarkenPixel(uint32_t p, uint32_t f) {
  return ((((p & 0x00FF00FFu) * f) >> 8) & 0x00FF00FFu) | ((((p >> 8) & 0xFFu) * f) & 0xFF00u);
}

void DarkenRows(const RowPass& p, int first, int rows) {
  const uint32_t f = p.arg;
  const int n = p.n;
  const V8 redBlue = reinterpret_cast<V8>(Splat(f << 16 | f));
  const V8 green = reinterpret_cast<V8>(Splat(f));
  const V8 high = reinterpret_cast<V8>(Splat(0xFF00FF00u));
  const V4 low = Splat(0x00FF00FFu);
  for (int i = first; i < first + rows; ++i) {
    uint32_t* __restrict d = p.dest + i * p.destStride;
    int x = 0;
    for (; x + 4 <= n; x += 4) {
      const V4 v = Load(d + x);
      const V8 rb = (reinterpret_cast<V8>(v & low) * redBlue) >> 8;
      const V8 g = (reinterpret_cast<V8>(v) >> 8) * green & high;
      Store(d + x, reinterpret_cast<V4>(rb) | reinterpret_cast<V4>(g));
    }
    for (; x < n; ++x) d[x] = DarkenPixel(d[x], f);
  }
}

// Clips one axis of a blit: a source interval [s, s + n) and a destination
// interval [d, d + n) both cut to [0, size). False when nothing remains.
bool ClipAxis(int64_t& d, int64_t& s, int64_t& n, int64_t dstSize, int64_t srcSize) {
  if (s < 0) {
    d -= s;
    n += s;
    s = 0;
  }
  if (d < 0) {
    s -= d;
    n += d;
    d = 0;
  }
  n = std::min({n, dstSize - d, srcSize - s});
  return n > 0;
}

// A whole picture, no source.
RowPass WholePass(Picture& dest, RowKernel kernel, uint32_t arg) {
  RowPass pass;
  pass.kernel = kernel;
  pass.dest = dest.Pixels().data();
  pass.destStride = static_cast<size_t>(dest.Width());
  pass.rows = dest.Height();
  pass.n = dest.Width();
  pass.arg = arg;
  pass.written = &dest;
  return pass;
}

}  // namespace

RowKernel RasterKernel(RasterOp op) {
  switch (op) {
    case RasterOp::Copy:
      return CopyRows;
    case RasterOp::And:
      return RasterRows<AndOp>;
    case RasterOp::Or:
      return RasterRows<OrOp>;
    case RasterOp::Xor:
      return RasterRows<XorOp>;
    case RasterOp::NotCopy:
      return RasterRows<NotCopyOp>;
  }
  return CopyRows;
}

bool ClipBlit(const Picture& dest, const Picture& src, int64_t& dx, int64_t& dy, int64_t& w,
              int64_t& h, int64_t& sx, int64_t& sy) {
  return ClipAxis(dx, sx, w, dest.Width(), src.Width()) &&
         ClipAxis(dy, sy, h, dest.Height(), src.Height());
}

void ClippedBlitPass(Picture& dest, int64_t dx, int64_t dy, int64_t w, int64_t h,
                     const Picture& src, int64_t sx, int64_t sy, RasterOp op, RowPass& pass) {
  pass = RowPass{};
  pass.kernel = RasterKernel(op);
  pass.dest = dest.Row(static_cast<int>(dy)) + dx;
  pass.destStride = static_cast<size_t>(dest.Width());
  pass.src = src.Row(static_cast<int>(sy)) + sx;
  pass.srcStride = static_cast<size_t>(src.Width());
  pass.y0 = static_cast<int>(dy);
  pass.rows = static_cast<int>(h);
  pass.n = static_cast<int>(w);
  pass.written = &dest;
  pass.read[0] = &src;
  pass.readRow0[0] = sy - dy;
}

bool BlitPass(Picture& dest, int64_t dx, int64_t dy, int64_t w, int64_t h, const Picture& src,
              int64_t sx, int64_t sy, RasterOp op, RowPass& pass) {
  if (!ClipBlit(dest, src, dx, dy, w, h, sx, sy)) return false;
  ClippedBlitPass(dest, dx, dy, w, h, src, sx, sy, op, pass);
  return true;
}

void RowPasses::Blit(Picture& dest, int64_t dx, int64_t dy, int64_t w, int64_t h,
                     const Picture& src, int64_t sx, int64_t sy, RasterOp op) {
  if (&src == &dest) {
    // Picture::Blit reads the source as it was before the call.
    Run();
    dest.Blit(dx, dy, w, h, src, sx, sy, op);
    return;
  }
  RowPass pass;
  if (BlitPass(dest, dx, dy, w, h, src, sx, sy, op, pass)) Add(pass);
}

void RowPasses::Fill(Picture& dest, uint32_t color) {
  if (!dest.Empty()) Add(WholePass(dest, FillRows, color));
}

void RowPasses::Blend(int blendMode, int x, int y, int w, int h, const Picture& source,
                      Picture& dest, const Picture& mask, int maskMode) {
  RowPass pass;
  if (BlendPass(blendMode, x, y, w, h, source, dest, mask, maskMode, pass)) Add(pass);
}

void RowPasses::Darken(Picture& dest, int32_t rate) {
  const uint32_t f = static_cast<uint32_t>(256 - std::clamp(rate, 0, 256));
  if (f != 256 && !dest.Empty()) Add(WholePass(dest, DarkenRows, f));
}

bool RowPasses::Conflicts(const RowPass& pass) const {
  for (size_t i = 0; i < count_; ++i) {
    const RowPass& q = passes_[i];
    for (int k = 0; k < 2; ++k) {
      if (pass.read[k] == q.written && pass.readRow0[k] != 0) return true;
      if (q.read[k] == pass.written && q.readRow0[k] != 0) return true;
    }
  }
  return false;
}

void RowPasses::Add(const RowPass& pass) {
  if (pass.read[0] == pass.written || pass.read[1] == pass.written) {
    // A pass over its own picture runs alone, as its single-pass form.
    Run();
    pass.RunAll();
    return;
  }
  if (count_ == kMaxPasses || Conflicts(pass)) Run();
  if (count_ > 0) {
    // A masked picture's AND and OR are one pass.
    RowPass& last = passes_[count_ - 1];
    if (last.kernel == RasterKernel(RasterOp::And) && pass.kernel == RasterKernel(RasterOp::Or) &&
        last.dest == pass.dest && last.rows == pass.rows && last.n == pass.n) {
      last.kernel = AndOrRows;
      last.mask = last.src;
      last.maskStride = last.srcStride;
      last.read[1] = last.read[0];
      last.readRow0[1] = last.readRow0[0];
      last.src = pass.src;
      last.srcStride = pass.srcStride;
      last.read[0] = pass.read[0];
      last.readRow0[0] = pass.readRow0[0];
      return;
    }
  }
  passes_[count_++] = pass;
}

void RowPasses::Run() {
  if (count_ == 1) passes_[0].RunAll();
  if (count_ <= 1) {
    count_ = 0;
    return;
  }
  int top = INT_MAX, bottom = 0;
  for (size_t i = 0; i < count_; ++i) {
    top = std::min(top, passes_[i].y0);
    bottom = std::max(bottom, passes_[i].y0 + passes_[i].rows);
  }
  for (int y = top; y < bottom; y += kBandRows) {
    const int end = std::min(y + kBandRows, bottom);
    for (size_t i = 0; i < count_; ++i) {
      const RowPass& p = passes_[i];
      const int from = std::max(y, p.y0), to = std::min(end, p.y0 + p.rows);
      if (from < to) p.kernel(p, from - p.y0, to - from);
    }
  }
  count_ = 0;
}

}  // namespace korvana
