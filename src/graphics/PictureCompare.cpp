#include "graphics/PictureCompare.h"

#include <cstdlib>

namespace korvana {
namespace {

bool Differs(uint32_t a, uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int ca = static_cast<int>((a >> shift) & 0xFF);
    const int cb = static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(ca - cb) > tolerance) return true;
  }
  return false;
}

}  // namespace

PictureComparison ComparePictures(const Picture& approved, const Picture& actual,
                                  const PictureTolerance& tolerance) {
  PictureComparison out;
  if (approved.Width() != actual.Width() || approved.Height() != actual.Height()) {
    out.sameSize = false;
    return out;
  }
  const auto& a = approved.Pixels();
  const auto& b = actual.Pixels();
  out.total = static_cast<int64_t>(a.size());
  for (size_t i = 0; i < a.size(); ++i)
    if (Differs(a[i], b[i], tolerance.pixel)) ++out.changed;
  // Compared as counts, so that a share of 0 allows no pixel at all and the
  // rounding of a percentage never lets one through.
  out.matches =
      static_cast<double>(out.changed) * 100.0 <= tolerance.share * static_cast<double>(out.total);
  return out;
}

Picture DifferencePicture(const Picture& approved, const Picture& actual, int pixelTolerance) {
  Picture out(approved.Width(), approved.Height());
  const bool sameSize = approved.Width() == actual.Width() && approved.Height() == actual.Height();
  for (int y = 0; y < approved.Height(); ++y)
    for (int x = 0; x < approved.Width(); ++x) {
      const uint32_t a = approved.Pixel(x, y);
      const bool changed = sameSize && Differs(a, actual.Pixel(x, y), pixelTolerance);
      out.SetPixel(x, y, changed ? kChangedPixelColour : FadedColour(a));
    }
  return out;
}

}  // namespace korvana
