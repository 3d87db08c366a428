#include "graphics/Effects.h"

#include <algorithm>
#include <charconv>

#include "core/ClickState.h"
#include "core/Errors.h"
#include "core/Waits.h"
#include "graphics/Layers.h"
#include "platform/Platform.h"

namespace korvana {
namespace {

// Loads a picture for an effect. A file the platform reader cannot read is
// shown and reported like any exception, and the effect goes on with what
// the picture holds.
void LoadForEffect(Layers& layers, std::string_view file, Picture& picture) {
  LayerEnvironment& env = layers.env;
  try {
    LoadPicture(file, picture, env.files, env.errors, PlatformWarning(env.dialogs));
  } catch (const ScriptException& e) {
    env.dialogs.ShowException(e.what());
    env.errors.ReportScriptError(e.what());
  }
}

// The roll's wait: until `interval` has passed since `start`; with the skip
// switch a press on the screen (press seen, release not yet) ends it at once.
// The press and release flags are cleared on every pass.
void RollWait(LayerEnvironment& env, uint32_t start, int32_t interval, bool skip) {
  env.waits.WaitUntil(start, interval, [&] {
    const bool pressed = env.click.MouseDownFlag && !env.click.MouseUpFlag;
    env.click.MouseDownFlag = env.click.MouseUpFlag = false;
    return skip && pressed;
  });
}

// A gap's height or the like: leading decimal digits of `text`, 0 without.
int32_t LeadingNumber(std::string_view text) {
  int32_t value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return std::max(value, 0);
}

class Roll {
 public:
  Roll(Layers& layers, int32_t interval, uint32_t colour, int32_t step, bool skip, int32_t mode)
      : env_(layers.env),
        layers_(layers),
        interval_(interval),
        fill_(SwapRedBlue(colour)),
        // A step below one pixel could never finish a gap or a picture.
        step_(std::max(step, 1)),
        skip_(skip),
        mode_(mode),
        width_(mode == 4 ? kScreenWidth / 2 : kScreenWidth) {
    picture_.Resize(width_, 16);
    if (mode == 4) side_.Resize(width_, 16);
  }

  void Line(const std::string& line) {
    if (line.empty()) return;
    if (line[0] == '|') {
      const int32_t gap = LeadingNumber(std::string_view(line).substr(1, mode_ == 4 ? 64 : 6));
      for (int64_t s = 0; s < gap; s += step_) Frame([] {});
    } else if (line[0] == '@' && mode_ == 4) {
      LoadForEffect(layers_, std::string_view(line).substr(1), side_);
      Frame([this] { env_.screen.BackImage.Draw(kScreenWidth / 2, 120, side_); });
    } else {
      LoadForEffect(layers_, line, picture_);
      const int h = picture_.Height();
      const int x = (width_ - picture_.Width()) / 2;
      if (mode_ == 1) {
        for (int64_t r = 0; r < h; r += step_)
          Frame([&] { Feed(x, 0, static_cast<int>(h - r - step_)); });
      } else {
        for (int64_t r = 0; r <= h; r += step_)
          Frame([&] { Feed(x, kScreenHeight - step_, static_cast<int>(r)); });
      }
    }
  }

  ~Roll() { env_.click.MouseDownFlag = env_.click.MouseUpFlag = false; }

 private:
  // One step: move, fill the band, draw what the line adds, wait.
  template <typename Draw>
  void Frame(Draw draw) {
    const uint32_t start = env_.pump.TickCount();
    Picture& screen = env_.screen.BackImage;
    if (mode_ == 1) {
      screen.Blit(0, step_, width_, kScreenHeight - step_, screen, 0, 0);
      screen.FillRect(0, 0, width_, step_, fill_);
    } else {
      screen.Blit(0, 0, width_, kScreenHeight - step_, screen, 0, step_);
      screen.FillRect(0, kScreenHeight - step_, width_, step_, fill_);
    }
    draw();
    env_.window.InvalidateScreen();
    RollWait(env_, start, interval_, skip_);
  }

  // Rows from `sourceRow` of the picture into the band at `bandY`, kept
  // inside the rolling part of the screen.
  void Feed(int x, int bandY, int sourceRow) {
    int sx = 0, dx = x, w = picture_.Width();
    if (dx < 0) {
      sx = -dx;
      w += dx;
      dx = 0;
    }
    w = std::min(w, width_ - dx);
    env_.screen.BackImage.Blit(dx, bandY, w, step_, picture_, sx, sourceRow);
  }

  LayerEnvironment& env_;
  Layers& layers_;
  int32_t interval_;
  uint32_t fill_;
  int step_;
  bool skip_;
  int32_t mode_;
  int width_;
  Picture picture_, side_;
};

}  // namespace

void ScrollRoll(Layers& layers, const std::vector<std::string>& lines, int32_t interval,
                uint32_t colour, int32_t step, int32_t skip, int32_t mode) {
  if (mode != 0 && mode != 1 && mode != 4) return;
  Roll roll(layers, interval, colour, std::min(step, kScreenHeight), skip == 1, mode);
  for (const std::string& line : lines) roll.Line(line);
}

void DirectionStep(int32_t code, int& dx, int& dy) {
  static constexpr int kSteps[9][2] = {{0, 0},  {1, 0}, {0, 1},  {-1, 0}, {0, -1},
                                       {1, -1}, {1, 1}, {-1, 1}, {-1, -1}};
  const bool known = code >= 0 && code <= 8;
  dx = known ? kSteps[code][0] : 0;
  dy = known ? kSteps[code][1] : 0;
}

void MovingWindow(Layers& layers, const MovingWindowArgs& a) {
  using Kind = MovingWindowArgs::Kind;
  LayerEnvironment& env = layers.env;
  Picture& screen = env.screen.BackImage;
  Picture source{8, 8}, overlay{8, 8}, overlayMask{8, 8};
  LoadForEffect(layers, a.file, source);
  if (a.kind != Kind::Plain) LoadForEffect(layers, a.overlayFile, overlay);
  if (a.kind == Kind::MaskedOverlay) LoadForEffect(layers, a.overlayMask, overlayMask);
  int screenStepX, screenStepY, sourceStepX, sourceStepY;
  DirectionStep(a.screenDirection, screenStepX, screenStepY);
  DirectionStep(a.sourceDirection, sourceStepX, sourceStepY);
  int64_t sx = a.sourceX, sy = a.sourceY, dx = a.screenX, dy = a.screenY;
  uint32_t start = env.pump.TickCount();
  for (int32_t frame = 1;; ++frame) {
    screen.Blit(dx, dy, a.width, a.height, source, sx, sy);
    if (a.kind == Kind::RasterOverlay) {
      static constexpr RasterOp kOps[4] = {RasterOp::Copy, RasterOp::And, RasterOp::Or,
                                           RasterOp::Xor};
      const RasterOp op = a.rasterOp >= 0 && a.rasterOp <= 3 ? kOps[a.rasterOp] : RasterOp::Copy;
      screen.Draw(a.overlayX, a.overlayY, overlay, op);
    } else if (a.kind == Kind::MaskedOverlay) {
      screen.Draw(a.overlayX, a.overlayY, overlayMask, RasterOp::And);
      screen.Draw(a.overlayX, a.overlayY, overlay, RasterOp::Or);
    }
    env.window.InvalidateScreen();
    env.waits.WaitUntil(start, a.interval);
    start = env.pump.TickCount();
    if (frame >= a.count) break;
    if (a.kind != Kind::MaskedOverlay)
      screen.Blit(dx, dy, a.width, a.height, layers.BackgroundLayer, dx, dy);
    sx += sourceStepX;
    sy += sourceStepY;
    dx += screenStepX;
    dy += screenStepY;
  }
  env.click.ClearClicks();
}

void ShakeScreen(Layers& layers, int32_t amplitude, int32_t count, int32_t delay,
                 std::mt19937& random) {
  LayerEnvironment& env = layers.env;
  Picture& screen = env.screen.BackImage;
  Picture& kept = layers.ScratchPicture;
  kept.Resize(kScreenWidth, kScreenHeight);
  kept.Draw(0, 0, screen);
  const int64_t a = std::max<int64_t>(amplitude, 0);
  auto offset = [&]() -> int {
    if (a == 0) return 0;
    const int64_t r = static_cast<int64_t>(random() >> 1) % (2 * a);
    // Offsets beyond the screen all look alike (black).
    return static_cast<int>(std::clamp<int64_t>(r - a, -kScreenWidth, kScreenWidth));
  };
  for (int32_t i = 0; i < count; ++i) {
    screen.Fill(0);
    const int ox = offset(), oy = offset();
    screen.Draw(ox, oy, kept);
    env.window.InvalidateScreen();
    env.waits.TimedWait(delay);
  }
  screen.Draw(0, 0, kept);
  env.window.InvalidateScreen();
  env.waits.TimedWait(delay);
}

}  // namespace korvana
