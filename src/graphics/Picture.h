#pragma once
// A pixel surface: width × height pixels of 32 bits, read as 0x00RRGGBB with
// the top byte 0, rows stored top to bottom without padding.
#include <cstdint>
#include <string>
#include <vector>

namespace korvana {

class Picture {
 public:
  Picture() = default;
  Picture(int width, int height, uint32_t fill = 0) { Resize(width, height, fill); }

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ == 0 || height_ == 0; }

  // Resizes in place; every pixel becomes `fill`.
  void Resize(int width, int height, uint32_t fill = 0);
  void Fill(uint32_t color);

  uint32_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
  const uint32_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
  uint32_t Pixel(int x, int y) const { return Row(y)[x]; }
  void SetPixel(int x, int y, uint32_t c) { Row(y)[x] = c; }
  std::vector<uint32_t>& Pixels() { return pixels_; }
  const std::vector<uint32_t>& Pixels() const { return pixels_; }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

// Writes the picture as an 8-bit RGB PNG; false when the file cannot be written.
bool WritePng(const Picture& picture, const std::string& utf8Path);

}  // namespace korvana
