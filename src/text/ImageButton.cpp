#include "text/ImageButton.h"

#include <algorithm>

namespace korvana {
namespace {

struct Rect {
  int left, top, right, bottom;  // right and bottom exclusive
};

// A frame of `width` pixels around the rectangle, which then shrinks.
void DrawFrame(Picture& target, Rect& r, int width, uint32_t topLeft, uint32_t bottomRight) {
  for (int i = 0; i < width && r.left < r.right && r.top < r.bottom; ++i) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    target.FillRect(r.left, r.top, w, 1, topLeft);
    target.FillRect(r.left, r.top, 1, h, topLeft);
    target.FillRect(r.left, r.bottom - 1, w, 1, bottomRight);
    target.FillRect(r.right - 1, r.top, 1, h, bottomRight);
    ++r.left, ++r.top, --r.right, --r.bottom;
  }
}

// Raised: light on the top and left edges, dark on the others; lowered the
// other way round.
void DrawBevel(Picture& target, Rect& r, ImageButton::Bevel bevel, int width) {
  if (bevel == ImageButton::Bevel::None) return;
  const bool raised = bevel == ImageButton::Bevel::Raised;
  DrawFrame(target, r, width, raised ? ImageButton::kHighlight : ImageButton::kShadow,
            raised ? ImageButton::kShadow : ImageButton::kHighlight);
}

// Nearest-pixel stretch of the whole source over the rectangle.
void StretchDraw(Picture& target, const Rect& r, const Picture& src) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  if (w <= 0 || h <= 0 || src.Empty()) return;
  for (int y = 0; y < h; ++y) {
    const int ty = r.top + y;
    if (ty < 0 || ty >= target.Height()) continue;
    const uint32_t* from = src.Row(static_cast<int>(int64_t{y} * src.Height() / h));
    uint32_t* to = target.Row(ty);
    for (int x = 0; x < w; ++x) {
      const int tx = r.left + x;
      if (tx >= 0 && tx < target.Width()) to[tx] = from[int64_t{x} * src.Width() / w];
    }
  }
}

}  // namespace

void ImageButton::Paint(Picture& target, FontLibrary& fonts) const {
  Rect r{Left, Top, Left + Width, Top + Height};
  if (PictureImg.Empty())
    target.FillRect(Left, Top, Width, Height, Color);
  else
    StretchDraw(target, r, PictureImg);
  DrawBevel(target, r, BevelOuter, BevelWidth);
  DrawFrame(target, r, BorderWidth, Color, Color);
  DrawBevel(target, r, BevelInner, BevelWidth);
  // One line of caption, centred vertically in what is left.
  const int textWidth = fonts.TextWidth(Font, Caption);
  const int y = r.top + (r.bottom - r.top - Font.height) / 2;
  int x = r.left + (r.right - r.left - textWidth) / 2;
  if (CaptionAlignment == Alignment::Left) x = r.left;
  if (CaptionAlignment == Alignment::Right) x = r.right - textWidth;
  DrawString(target, fonts, Font, Caption, x, y, FontColor);
}

}  // namespace korvana
