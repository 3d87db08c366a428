#include "graphics/Mask.h"

#include "graphics/Picture.h"

namespace korvana {

void BuildColorKeyMask(Picture& picture, Picture& mask, uint32_t key) {
  mask.Resize(picture.Width(), picture.Height(), 0xFFFFFF);
  const uint32_t pixelKey = SwapRedBlue(key);
  uint32_t* __restrict p = picture.Pixels().data();
  uint32_t* __restrict m = mask.Pixels().data();
  const size_t n = picture.Pixels().size();
  // Branch-free, so the compiler vectorises it: keyed pixels turn black in
  // the picture, the others black in the mask.
  for (size_t i = 0; i < n; ++i) {
    const uint32_t keyed = (p[i] & 0x00FFFFFF) == pixelKey ? 0xFFFFFFFFu : 0u;
    p[i] &= ~keyed;
    m[i] = 0xFFFFFF & keyed;
  }
}

void BuildFileMask(Picture& picture, Picture& mask, std::string_view maskFile, int sizeMode,
                   Picture& scratch, const GameFiles& files, ErrorSink& errors,
                   const WarningBox& warning) {
  const int w = picture.Width(), h = picture.Height();
  LoadPicture(maskFile, scratch, files, errors, warning);
  mask = scratch;
  if (sizeMode <= 0) {
    scratch.Blit(0, 0, w, h, mask, 0, 0, RasterOp::NotCopy);
    picture.Blit(0, 0, w, h, scratch, 0, 0, RasterOp::And);
  }
}

}  // namespace korvana
