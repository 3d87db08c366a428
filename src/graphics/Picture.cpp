#include "graphics/Picture.h"

#include <png.h>

#include <algorithm>
#include <cstdio>

namespace korvana {

void Picture::Resize(int width, int height, uint32_t fill) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  pixels_.assign(static_cast<size_t>(width_) * height_, fill);
}

void Picture::Fill(uint32_t color) { std::fill(pixels_.begin(), pixels_.end(), color); }

bool WritePng(const Picture& picture, const std::string& utf8Path) {
  if (picture.Empty()) return false;
  FILE* f = std::fopen(utf8Path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, nullptr);
    std::fclose(f);
    return false;
  }
  std::vector<png_byte> row(static_cast<size_t>(picture.Width()) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
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
  return std::fclose(f) == 0;
}

}  // namespace korvana
