#pragma once
// The effects that draw straight onto the screen without touching the layer
// state: the scroll roll (staff rolls), the moving window and the shake. Each
// runs to its end, pumping messages while it waits; the next refresh or
// transition replaces what it leaves on the screen.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace korvana {

class Layers;

// `_scroll`: `lines` are the block's lines (leading blanks removed), `colour`
// the fill colour as 0x00BBGGRR, `interval` milliseconds per step, `step`
// pixels per step, `skip` 1 lets a mouse press cut the waits short, `mode` 0
// (upward), 1 (downward) or 4 (upward in the left half, "@" pictures on the
// right); other modes show nothing.
void ScrollRoll(Layers& layers, const std::vector<std::string>& lines, int32_t interval,
                uint32_t colour, int32_t step, int32_t skip, int32_t mode);

// The moving window of `_bhole`, `_bholeop` and `_bholeover`.
struct MovingWindowArgs {
  enum class Kind { Plain, RasterOverlay, MaskedOverlay };
  Kind kind = Kind::Plain;
  std::string file;
  int32_t sourceX = 0, sourceY = 0, screenX = 0, screenY = 0;
  int32_t width = 0, height = 0, count = 1, interval = 0;
  int32_t screenDirection = 0, sourceDirection = 0;
  int32_t overlayX = 0, overlayY = 0;
  int32_t rasterOp = 0;     // RasterOverlay: 0 copy, 1 AND, 2 OR, 3 XOR
  std::string overlayMask;  // MaskedOverlay
  std::string overlayFile;
};
// The step of a direction code (one pixel); codes outside 0..8 do not move.
void DirectionStep(int32_t code, int& dx, int& dy);
void MovingWindow(Layers& layers, const MovingWindowArgs& args);

// `_shake`: `count` frames offset by up to `amplitude` pixels each way, then
// the unmoved screen once more; `delay` milliseconds after each frame.
void ShakeScreen(Layers& layers, int32_t amplitude, int32_t count, int32_t delay,
                 std::mt19937& random);

}  // namespace korvana
