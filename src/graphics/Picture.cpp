#include "graphics/Picture.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "graphics/RowPasses.h"

namespace korvana {

void* PixelStorage::Allocate(size_t bytes) {
  // calloc hands out a large block as fresh pages from the system, which it
  // knows to be zero and does not write (the malloc heap takes over for a
  // size once one such block has been given back, and clears what it reuses).
  void* block = std::calloc(bytes ? bytes : 1, 1);
  if (!block) throw std::bad_alloc();
  return block;
}

void PixelStorage::Release(void* block, size_t) noexcept { std::free(block); }

void Picture::Resize(int width, int height, uint32_t fill) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  const size_t n = static_cast<size_t>(width_) * height_;
  if (fill != 0 || pixels_.size() == n) {
    pixels_.assign(n, fill);
  } else {
    // Fresh storage is black already (PixelStorage).
    PixelVector fresh(n);
    pixels_.swap(fresh);
  }
}

void Picture::ResizeToOverwrite(int width, int height) {
  if (static_cast<size_t>(std::max(width, 0)) * std::max(height, 0) != pixels_.size()) {
    Resize(width, height);
    return;
  }
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
}

void Picture::Fill(uint32_t color) {
  std::fill(pixels_.begin(), pixels_.end(), color);
}

void Picture::Blit(int64_t dx, int64_t dy, int64_t w, int64_t h, const Picture& src, int64_t sx,
                   int64_t sy, RasterOp op) {
  if (!ClipBlit(*this, src, dx, dy, w, h, sx, sy)) return;
  const Picture* from = &src;
  Picture copy;
  if (&src == this) {
    // Overlap: take the source rectangle first, as it is before the call.
    copy.Resize(static_cast<int>(w), static_cast<int>(h));
    for (int64_t y = 0; y < h; ++y)
      std::memcpy(copy.Row(static_cast<int>(y)), Row(static_cast<int>(sy + y)) + sx,
                  static_cast<size_t>(w) * 4);
    from = &copy;
    sx = sy = 0;
  }
  RowPass pass;
  ClippedBlitPass(*this, dx, dy, w, h, *from, sx, sy, op, pass);
  pass.RunAll();
}

void Picture::FillRect(int64_t x, int64_t y, int64_t w, int64_t h, uint32_t color) {
  const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  const int64_t x1 = std::min<int64_t>(x + w, width_), y1 = std::min<int64_t>(y + h, height_);
  if (x0 >= x1 || y0 >= y1) return;
  for (int64_t r = y0; r < y1; ++r) {
    uint32_t* row = Row(static_cast<int>(r));
    std::fill(row + x0, row + x1, color);
  }
}

namespace {

void AppendToString(png_structp png, png_bytep data, png_size_t length) {
  static_cast<std::string*>(png_get_io_ptr(png))
      ->append(reinterpret_cast<const char*>(data), length);
}

void NoFlush(png_structp) {}

}  // namespace

std::optional<std::string> EncodePng(const Picture& picture) {
  if (picture.Empty()) return std::nullopt;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, nullptr);
    return std::nullopt;
  }
  std::string bytes;
  std::vector<png_byte> row(static_cast<size_t>(picture.Width()) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return std::nullopt;
  }
  png_set_write_fn(png, &bytes, AppendToString, NoFlush);
  png_set_IHDR(png, info, picture.Width(), picture.Height(), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < picture.Height(); ++y) {
    const uint32_t* src = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x) {
      row[x * 3] = static_cast<png_byte>(src[x] >> 16);
      row[x * 3 + 1] = static_cast<png_byte>(src[x] >> 8);
      row[x * 3 + 2] = static_cast<png_byte>(src[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

bool WritePng(const Picture& picture, const std::string& utf8Path) {
  const std::optional<std::string> bytes = EncodePng(picture);
  if (!bytes) return false;
  FILE* f = std::fopen(utf8Path.c_str(), "wb");
  if (!f) return false;
  const bool written = std::fwrite(bytes->data(), 1, bytes->size(), f) == bytes->size();
  return (std::fclose(f) == 0) && written;
}

Picture ShrinkByAveraging(const Picture& picture, int factor) {
  if (factor < 1 || picture.Width() < factor || picture.Height() < factor) return Picture();
  Picture out(picture.Width() / factor, picture.Height() / factor);
  const uint32_t count = static_cast<uint32_t>(factor) * factor;
  for (int y = 0; y < out.Height(); ++y) {
    uint32_t* dst = out.Row(y);
    for (int x = 0; x < out.Width(); ++x) {
      uint32_t r = 0, g = 0, b = 0;
      for (int dy = 0; dy < factor; ++dy) {
        const uint32_t* src = picture.Row(y * factor + dy) + x * factor;
        for (int dx = 0; dx < factor; ++dx) {
          r += (src[dx] >> 16) & 0xFF;
          g += (src[dx] >> 8) & 0xFF;
          b += src[dx] & 0xFF;
        }
      }
      // Rounded to the nearest, so a block of one colour keeps it exactly.
      dst[x] = (((r + count / 2) / count) << 16) | (((g + count / 2) / count) << 8) |
               ((b + count / 2) / count);
    }
  }
  return out;
}

}  // namespace korvana
