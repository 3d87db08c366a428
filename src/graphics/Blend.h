#pragma once
// The nine blend routines of the effect layer and TilePicture.
//
// Every routine has the same frame: x, y the effect's position on the
// destination, w, h its size, `source` the effect picture, `dest` the scene
// (`WorkScreen`), `mask` and `maskMode`:
//   0  no mask: every pixel of the clipped area is combined;
//   1  mask indexed by source position (the effect's own size);
//   2  mask indexed by destination position (screen size);
//   other values: nothing is drawn.
// A pixel is combined only where the mask pixel is 0 (all 32 bits). Mask
// pixels outside the mask picture count as not 0, and w and h are cut to the
// source picture, so no routine reads or writes outside a picture.
#include <cstdint>
#include <optional>
#include <string_view>

namespace korvana {

class Picture;
struct RowPass;

enum class BlendMode : int {
  Copy = 0,      // "#COPY"      s
  Or = 1,        // "#OR"        d | s
  And = 2,       // "#AND"       d & s
  Xor = 3,       // "#XOR"       d ^ s
  Blend = 4,     // "#BLEND"     ((s >> 1) & 0x7F7F7F) + ((d >> 1) & 0x7F7F7F)
  Increase = 5,  // "#INCREASE"  per channel min(255, d + s)
  Decrease = 6,  // "#DECREASE"  per channel max(0, d - s)
  Screen = 7,    // "#SCREEN"    per channel max(d, s)
  Overlay = 8,   // "#OVERLAY"   per channel d < s ? s : (d + s) >> 1
};
inline constexpr int kBlendModeCount = 9;

// The blendMode of a keyword (exact, case-sensitive), or nothing.
std::optional<int> BlendModeFromKeyword(std::string_view keyword);
const char* BlendKeyword(int blendMode);

// The per-pixel operation of a mode (modes 4..8 give a top byte of 0).
uint32_t BlendPixel(int blendMode, uint32_t d, uint32_t s);

// The nine routines.
void BlendCopy(int x, int y, int w, int h, const Picture& source, Picture& dest,
               const Picture& mask, int maskMode);
void BlendOr(int x, int y, int w, int h, const Picture& source, Picture& dest,
             const Picture& mask, int maskMode);
void BlendAnd(int x, int y, int w, int h, const Picture& source, Picture& dest,
              const Picture& mask, int maskMode);
void BlendXor(int x, int y, int w, int h, const Picture& source, Picture& dest,
              const Picture& mask, int maskMode);
void BlendHalf(int x, int y, int w, int h, const Picture& source, Picture& dest,
               const Picture& mask, int maskMode);
void BlendIncrease(int x, int y, int w, int h, const Picture& source, Picture& dest,
                   const Picture& mask, int maskMode);
void BlendDecrease(int x, int y, int w, int h, const Picture& source, Picture& dest,
                   const Picture& mask, int maskMode);
void BlendScreen(int x, int y, int w, int h, const Picture& source, Picture& dest,
                 const Picture& mask, int maskMode);
void BlendOverlay(int x, int y, int w, int h, const Picture& source, Picture& dest,
                  const Picture& mask, int maskMode);

// The routine of `blendMode` (0..8; other values do nothing): what
// `BlendEffect` calls for the effect layer.
void BlendEffect(int blendMode, int x, int y, int w, int h, const Picture& source, Picture& dest,
                 const Picture& mask, int maskMode);

// The pass of BlendEffect (RowPasses.h), clipped; false when nothing is
// drawn.
bool BlendPass(int blendMode, int x, int y, int w, int h, const Picture& source, Picture& dest,
               const Picture& mask, int maskMode, RowPass& pass);

// Fills `target` with copies of `tile` from (0, 0), row by row; nothing when
// either picture has a width or height of 0.
void TilePicture(const Picture& tile, Picture& target);

}  // namespace korvana
