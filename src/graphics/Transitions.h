#pragma once
// The 36 named transitions: each replaces the screen by the newly composed
// scene step by step with a fixed geometry and a fixed wait after each step.
//
// RunTransition is what scripts reach; TransitionPlayer exposes the single
// steps so that tests can look at intermediate frames and benchmarks can time
// the drawing work of one step.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace korvana {

class Layers;

enum class TransitionFamily {
  Tile,    // 4 × 4 cell patterns, pixel by pixel
  Pat,     // diagonal and block patterns
  Wipe,    // strips and bands of 2-pixel lines
  Line0,   // interleaved 2-row lines from both edges
  Line1,   // 8 × 8 blocks sweeping along 16-pixel rows
  Blend,   // cross-fade in 16ths
  Scroll,  // old and new scene move together
  Slide,   // the new scene moves in over the old screen
};

// How the frames are prepared (see the family table in Transitions.cpp).
enum class TransitionPrep {
  Pixels,       // the old screen in ScratchPicture, chosen pixels copied into it
  Rectangles,   // rectangles of the new scene copied straight onto the screen
  MovingText,   // moving pictures; the message window moves with them
  MovingPlain,  // moving pictures; the message window stays where it is
  CrossFade,    // old and new screen mixed in TransitionBuffer
};

struct TransitionSpec {
  std::string_view name;  // without the marker
  TransitionFamily family;
  int variant;  // pattern or direction number
  TransitionPrep prep;
  int waitMs;  // 0: pump once per step instead
};

// All 36, in table order.
std::span<const TransitionSpec> AllTransitions();
// The transition a `_fade` argument names: the first character is a marker
// whatever it is, then at most ten characters compared exactly. Null for none.
const TransitionSpec* FindTransition(std::string_view argument);

// The offsets of the easing of the moving families, one per step.
std::vector<int> EasingOffsets(int threshold, int limit, int k);

class TransitionPlayer {
 public:
  TransitionPlayer(Layers& layers, const TransitionSpec& spec);

  // The preparation: old screen kept, new scene composed (with the message
  // window where the family wants it).
  void Prepare();
  int StepCount() const { return steps_; }
  // Draws step `step` (0-based) onto the screen.
  void DrawStep(int step);

 private:
  void TileStep(int pattern, int step, bool blocks);
  void PatStep(int step);
  void WipeStep(int step);
  void Line0Step(int step);
  void Line1Step(int step);
  void BlendStep(int step);
  void MoveStep(int step);
  void CopyPixelRow(int y, int start, int stride);

  Layers& layers_;
  const TransitionSpec& spec_;
  int steps_ = 0;
  std::vector<int> offsets_;
};

// The dispatcher: runs the named transition with its waits, then recomposes
// the scene and clears LayersDirty (also for a name that matches none).
void RunTransition(Layers& layers, std::string_view argument);

}  // namespace korvana
