#pragma once
// A pixel surface: width × height pixels of 32 bits, read as 0x00RRGGBB with
// the top byte 0, rows stored top to bottom without padding.
//
// The raster operations are those the engine borrows from GDI (copy, AND, OR,
// XOR, inverted copy, fill). Every one clips its rectangle to both pictures
// and works row by row on contiguous memory; a rectangle that leaves either
// picture is cut, never an error.
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#ifndef KORVANA_MAX_PICTURE_SIDE
#define KORVANA_MAX_PICTURE_SIDE 8192
#endif

namespace korvana {

// The storage of pictures. Every block it hands out is already zero, so a
// picture made black is not written: a screen-sized one made at start (the
// transition buffers, a work screen under no background) stays untouched
// pages that cost no memory until it is drawn on. Building elements without
// a value therefore writes nothing, which is only right for fresh storage:
// Picture never grows its vector in place.
struct PixelStorage {
  static void* Allocate(size_t bytes);
  static void Release(void* block, size_t bytes) noexcept;
};

template <typename T>
struct PixelAllocator {
  using value_type = T;
  PixelAllocator() = default;
  template <typename U>
  PixelAllocator(const PixelAllocator<U>&) {}
  T* allocate(size_t n) { return static_cast<T*>(PixelStorage::Allocate(n * sizeof(T))); }
  void deallocate(T* p, size_t n) noexcept { PixelStorage::Release(p, n * sizeof(T)); }
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <typename U>
  bool operator==(const PixelAllocator<U>&) const {
    return true;
  }
};

using PixelVector = std::vector<uint32_t, PixelAllocator<uint32_t>>;

// Pictures wider or taller than this are refused by every decoder with the
// load error of their format (fuzz builds lower it to keep runs fast).
inline constexpr int kMaxPictureSide = KORVANA_MAX_PICTURE_SIDE;

// Raster operation of Picture::Blit: the new destination pixel d from the
// source pixel s.
enum class RasterOp {
  Copy,     // s          (SRCCOPY)
  And,      // d AND s    (SRCAND)
  Or,       // d OR s     (SRCPAINT)
  Xor,      // d XOR s    (SRCINVERT)
  NotCopy,  // NOT s, top byte kept 0 (NOTSRCCOPY)
};

class Picture {
 public:
  Picture() = default;
  Picture(int width, int height, uint32_t fill = 0) { Resize(width, height, fill); }

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }

  // Resizes in place; every pixel becomes `fill`.
  void Resize(int width, int height, uint32_t fill = 0);
  // Resizes in place for a caller that then writes every pixel: a picture
  // that already has as many pixels keeps them instead of clearing them first.
  void ResizeToOverwrite(int width, int height);
  void Fill(uint32_t color);

  uint32_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const uint32_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  uint32_t Pixel(int x, int y) const { return Row(y)[x]; }
  void SetPixel(int x, int y, uint32_t c) { Row(y)[x] = c; }
  // Every pixel, rows top to bottom. Their number is the picture's: only
  // Resize changes it (PixelStorage says why).
  PixelVector& Pixels() { return pixels_; }
  const PixelVector& Pixels() const { return pixels_; }

  // Whether (x, y) lies inside the picture.
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

  // The w × h rectangle of `src` at (sx, sy) combined into this picture at
  // (dx, dy) with `op`, clipped to both pictures (a source column or row
  // outside `src` moves the destination along with it, as GDI does).
  // `src` may be this picture; overlapping rectangles read the source as it
  // was before the call. Positions and sizes are 64 bits wide so that the
  // sums of a script's extreme values reach the clipping whole.
  void Blit(int64_t dx, int64_t dy, int64_t w, int64_t h, const Picture& src, int64_t sx,
            int64_t sy, RasterOp op = RasterOp::Copy);
  // The whole of `src` at (x, y).
  void Draw(int64_t x, int64_t y, const Picture& src, RasterOp op = RasterOp::Copy) {
    Blit(x, y, src.Width(), src.Height(), src, 0, 0, op);
  }
  // Fills the w × h rectangle at (x, y), clipped to the picture.
  void FillRect(int64_t x, int64_t y, int64_t w, int64_t h, uint32_t color);

 private:
  int width_ = 0;
  int height_ = 0;
  PixelVector pixels_;
};

// The same colour in the other byte order: 0x00RRGGBB <-> 0x00BBGGRR (the
// form of colour keys and text colours). The top byte is dropped.
inline uint32_t SwapRedBlue(uint32_t c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// The picture as the bytes of an 8-bit RGB PNG; nothing for an empty picture
// or when the encoder fails.
std::optional<std::string> EncodePng(const Picture& picture);
// Writes the picture as an 8-bit RGB PNG; false when the file cannot be written.
bool WritePng(const Picture& picture, const std::string& utf8Path);

// The picture `factor` times smaller each way, each pixel the average of its
// factor × factor block (a last partial row or column of blocks is dropped);
// empty when the picture is smaller than one block.
Picture ShrinkByAveraging(const Picture& picture, int factor);

}  // namespace korvana
