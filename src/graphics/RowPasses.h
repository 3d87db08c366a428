#pragma once
// Several passes over pictures done band by band: each band of a few rows
// takes every pass in turn while it is still in the first-level cache, where
// passes done one after another would each walk the whole picture through
// memory. The result is that of the passes done in order, because a pass
// reads and writes each pixel's own row of its destination: a pass that
// reads, at another height, a picture that a waiting pass writes (or the
// other way round) makes the waiting passes run first.
//
// Every pass clips as its single-pass form does (Picture::Blit, BlendEffect,
// Layers::Darken), and a pass that reads its own destination runs at once
// through that form.
#include <array>
#include <cstddef>
#include <cstdint>

#include "graphics/Picture.h"

namespace korvana {

struct RowPass;
// Does `rows` rows of a pass from its row `first` (0 is the pass's top row).
using RowKernel = void (*)(const RowPass& pass, int first, int rows);

// One clipped pass: n pixels of `rows` rows, the first at `dest`.
struct RowPass {
  RowKernel kernel = nullptr;
  uint32_t* dest = nullptr;
  const uint32_t* src = nullptr;   // the pixel read with dest's first, or null
  const uint32_t* mask = nullptr;  // the same for a second picture read
  size_t destStride = 0, srcStride = 0, maskStride = 0;  // in pixels
  int y0 = 0;  // the destination row of the pass's top row
  int rows = 0, n = 0;
  uint32_t arg = 0;  // a colour or a factor
  // For the order rules: the pictures, and each read picture's row that
  // goes with destination row 0.
  const Picture* written = nullptr;
  const Picture* read[2] = {nullptr, nullptr};
  int64_t readRow0[2] = {0, 0};

  void RunAll() const { kernel(*this, 0, rows); }
};

// The raster operations' kernels (src: the source).
RowKernel RasterKernel(RasterOp op);
// Picture::Blit's clipping: the rectangle cut to both pictures (a source
// column or row outside `src` moves the destination along); false when
// nothing is left.
bool ClipBlit(const Picture& dest, const Picture& src, int64_t& dx, int64_t& dy, int64_t& w,
              int64_t& h, int64_t& sx, int64_t& sy);
// The pass of a blit whose rectangle ClipBlit has cut.
void ClippedBlitPass(Picture& dest, int64_t dx, int64_t dy, int64_t w, int64_t h,
                     const Picture& src, int64_t sx, int64_t sy, RasterOp op, RowPass& pass);
// Both; false when nothing is left.
bool BlitPass(Picture& dest, int64_t dx, int64_t dy, int64_t w, int64_t h, const Picture& src,
              int64_t sx, int64_t sy, RasterOp op, RowPass& pass);

class RowPasses {
 public:
  RowPasses() = default;
  RowPasses(const RowPasses&) = delete;
  RowPasses& operator=(const RowPasses&) = delete;
  ~RowPasses() { Run(); }

  // As Picture::Blit and Picture::Draw.
  void Blit(Picture& dest, int64_t dx, int64_t dy, int64_t w, int64_t h, const Picture& src,
            int64_t sx, int64_t sy, RasterOp op = RasterOp::Copy);
  void Draw(Picture& dest, int64_t x, int64_t y, const Picture& src,
            RasterOp op = RasterOp::Copy) {
    Blit(dest, x, y, src.Width(), src.Height(), src, 0, 0, op);
  }
  void Fill(Picture& dest, uint32_t color);
  // As BlendEffect (Blend.h).
  void Blend(int blendMode, int x, int y, int w, int h, const Picture& source, Picture& dest,
             const Picture& mask, int maskMode);
  // As Layers::Darken.
  void Darken(Picture& dest, int32_t rate);

  // Does every waiting pass.
  void Run();

  // Rows per band: a band of a screen's width in each of two destinations
  // and the rows read with them stays well inside the first-level cache.
  static constexpr int kBandRows = 4;

 private:
  void Add(const RowPass& pass);
  bool Conflicts(const RowPass& pass) const;
  static constexpr size_t kMaxPasses = 16;
  std::array<RowPass, kMaxPasses> passes_;
  size_t count_ = 0;
};

}  // namespace korvana
