#include "graphics/Transitions.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/ClickState.h"
#include "core/Waits.h"
#include "graphics/Layers.h"
#include "platform/Platform.h"

namespace korvana {
namespace {

using F = TransitionFamily;
using P = TransitionPrep;

constexpr std::array<TransitionSpec, 36> kTransitions = {{
    {"TILE0", F::Tile, 0, P::Pixels, 5},
    {"TILE1", F::Tile, 1, P::Pixels, 5},
    {"TILE2", F::Tile, 2, P::Pixels, 5},
    {"TILE3", F::Tile, 3, P::Pixels, 5},
    {"TILEH0", F::Tile, 0, P::Pixels, 0},
    {"TILEH1", F::Tile, 1, P::Pixels, 0},
    {"TILEH2", F::Tile, 2, P::Pixels, 0},
    {"TILEH3", F::Tile, 3, P::Pixels, 0},
    {"PAT0", F::Pat, 0, P::Pixels, 3},
    {"PAT1", F::Pat, 1, P::Pixels, 1},
    {"PAT2", F::Pat, 2, P::Pixels, 1},
    {"PAT3", F::Pat, 3, P::Rectangles, 4},
    {"PAT4", F::Pat, 4, P::Rectangles, 1},
    {"WIPE0", F::Wipe, 0, P::Rectangles, 10},
    {"WIPE1", F::Wipe, 1, P::Rectangles, 10},
    {"WIPE2", F::Wipe, 2, P::Rectangles, 10},
    {"WIPE3", F::Wipe, 3, P::Rectangles, 10},
    {"LINE0", F::Line0, 0, P::Rectangles, 4},
    {"LINE1", F::Line1, 0, P::Rectangles, 2},
    {"BLEND0", F::Blend, 0, P::CrossFade, 2},
    {"SCROLL0", F::Scroll, 0, P::MovingPlain, 1},
    {"SCROLL1", F::Scroll, 1, P::MovingPlain, 1},
    {"SCROLL2", F::Scroll, 2, P::MovingPlain, 5},
    {"SCROLL3", F::Scroll, 3, P::MovingPlain, 5},
    {"TSCROLL0", F::Scroll, 0, P::MovingText, 1},
    {"TSCROLL1", F::Scroll, 1, P::MovingText, 1},
    {"TSCROLL2", F::Scroll, 2, P::MovingText, 5},
    {"TSCROLL3", F::Scroll, 3, P::MovingText, 5},
    {"SLIDE0", F::Slide, 0, P::MovingPlain, 10},
    {"SLIDE1", F::Slide, 1, P::MovingPlain, 10},
    {"SLIDE2", F::Slide, 2, P::MovingPlain, 10},
    {"SLIDE3", F::Slide, 3, P::MovingPlain, 10},
    {"TSLIDE0", F::Slide, 0, P::MovingText, 10},
    {"TSLIDE1", F::Slide, 1, P::MovingText, 10},
    {"TSLIDE2", F::Slide, 2, P::MovingText, 10},
    {"TSLIDE3", F::Slide, 3, P::MovingText, 10},
}};

// Four patterns of 8 steps; each step names two (row, column) cells of the
// 4 × 4 grid that repeats over the screen.
struct Cell {
  int row, column;
};
constexpr Cell kTilePatterns[4][8][2] = {
    {{{0, 0}, {2, 2}},
     {{0, 2}, {2, 0}},
     {{1, 1}, {3, 3}},
     {{1, 3}, {3, 1}},
     {{0, 1}, {2, 3}},
     {{0, 3}, {2, 1}},
     {{1, 0}, {3, 2}},
     {{1, 2}, {3, 0}}},
    {{{0, 0}, {3, 3}},
     {{1, 0}, {2, 3}},
     {{1, 3}, {2, 0}},
     {{0, 3}, {3, 0}},
     {{0, 2}, {3, 1}},
     {{0, 1}, {3, 2}},
     {{1, 1}, {2, 2}},
     {{1, 2}, {2, 1}}},
    {{{0, 1}, {3, 2}},
     {{1, 1}, {2, 2}},
     {{1, 2}, {2, 1}},
     {{0, 2}, {3, 1}},
     {{0, 0}, {3, 3}},
     {{1, 0}, {2, 3}},
     {{1, 3}, {2, 0}},
     {{0, 3}, {3, 0}}},
    {{{0, 0}, {0, 3}},
     {{0, 1}, {0, 2}},
     {{1, 0}, {1, 3}},
     {{1, 1}, {1, 2}},
     {{2, 0}, {2, 3}},
     {{2, 1}, {2, 2}},
     {{3, 0}, {3, 3}},
     {{3, 1}, {3, 2}}},
};

constexpr int kBlock = 8;
constexpr int kBlockColumns = kScreenWidth / kBlock;  // 80
constexpr int kBlockRows = kScreenHeight / kBlock;    // 60

// x mod m in 0..m-1 for any sign.
int Mod(int x, int m) {
  return ((x % m) + m) % m;
}

struct Easing {
  int threshold, limit, k;
};
Easing EasingOf(const TransitionSpec& spec) {
  const bool horizontal = spec.variant < 2;
  if (!horizontal) return {240, kScreenHeight, 1};
  return {325, kScreenWidth, spec.family == F::Slide ? 2 : 1};
}

int StepsOf(const TransitionSpec& spec) {
  switch (spec.family) {
    case F::Tile:
      return 8;
    case F::Pat:
      return spec.variant == 1 || spec.variant == 2 ? 16 : 8;
    case F::Wipe:
      return spec.variant < 2 ? 36 : 32;
    case F::Line0:
      return 240;
    case F::Line1:
      return 110;
    case F::Blend:
      return 17;
    case F::Scroll:
    case F::Slide:
      break;
  }
  const Easing e = EasingOf(spec);
  return static_cast<int>(EasingOffsets(e.threshold, e.limit, e.k).size());
}

}  // namespace

std::span<const TransitionSpec> AllTransitions() {
  return kTransitions;
}

const TransitionSpec* FindTransition(std::string_view argument) {
  if (argument.empty()) return nullptr;
  const std::string_view name = argument.substr(1, 10);
  for (const TransitionSpec& spec : kTransitions)
    if (spec.name == name) return &spec;
  return nullptr;
}

std::vector<int> EasingOffsets(int threshold, int limit, int k) {
  std::vector<int> out;
  int o = 0, v = 0;
  for (;;) {
    if (o > threshold) {
      if (v > 1) --v;
    } else {
      ++v;
    }
    out.push_back(o);
    if (o >= limit) break;
    o = std::min(o + k * v, limit);
  }
  return out;
}

TransitionPlayer::TransitionPlayer(Layers& layers, const TransitionSpec& spec)
    : layers_(layers), spec_(spec), steps_(StepsOf(spec)) {
  if (spec.family == F::Scroll || spec.family == F::Slide) {
    const Easing e = EasingOf(spec);
    offsets_ = EasingOffsets(e.threshold, e.limit, e.k);
  }
}

void TransitionPlayer::Prepare() {
  Picture& screen = layers_.env.screen.BackImage;
  Picture& work = layers_.env.screen.WorkScreen;
  Picture& scratch = layers_.ScratchPicture;
  switch (spec_.prep) {
    case P::Pixels:
    case P::MovingText:
      scratch.Draw(0, 0, screen);
      layers_.ComposeScene();
      layers_.OverlayMessage(work);
      break;
    case P::Rectangles:
      layers_.ComposeScene();
      layers_.OverlayMessage(work);
      break;
    case P::CrossFade:
      layers_.ComposeScene();
      layers_.OverlayMessage(work);
      scratch.Draw(0, 0, screen);
      break;
    case P::MovingPlain:
      scratch.Draw(0, 0, work);
      layers_.ComposeScene();
      break;
  }
}

void TransitionPlayer::CopyPixelRow(int y, int start, int stride) {
  const uint32_t* from = layers_.env.screen.WorkScreen.Row(y);
  uint32_t* to = layers_.ScratchPicture.Row(y);
  for (int x = start; x < kScreenWidth; x += stride) to[x] = from[x];
}

void TransitionPlayer::TileStep(int pattern, int step, bool blocks) {
  const Cell* cells = kTilePatterns[pattern][step];
  if (!blocks) {
    for (int y = 0; y < kScreenHeight; ++y)
      for (int c = 0; c < 2; ++c)
        if (cells[c].row == y % 4) CopyPixelRow(y, cells[c].column, 4);
    return;
  }
  Picture& screen = layers_.env.screen.BackImage;
  const Picture& work = layers_.env.screen.WorkScreen;
  for (int by = 0; by < kBlockRows; ++by)
    for (int c = 0; c < 2; ++c)
      if (cells[c].row == by % 4)
        for (int bx = cells[c].column; bx < kBlockColumns; bx += 4)
          screen.Blit(bx * kBlock, by * kBlock, kBlock, kBlock, work, bx * kBlock, by * kBlock);
}

void TransitionPlayer::PatStep(int step) {
  switch (spec_.variant) {
    case 0:
      for (int y = 0; y < kScreenHeight; ++y) CopyPixelRow(y, Mod(-(y + step), 8), 8);
      break;
    case 1: {
      // Eight steps up with the columns x mod 8 <= s, then eight down with
      // x mod 8 >= s: every pixel is copied once over the two halves.
      const bool rising = step < 8;
      const int s = rising ? step : 15 - step;
      for (int y = 0; y < kScreenHeight; ++y) {
        const int start = Mod(-(y + s), 8);
        if (rising ? start <= s : start >= s) CopyPixelRow(y, start, 8);
      }
      break;
    }
    case 2:
      for (int y = 0; y < kScreenHeight; y += 2) {
        CopyPixelRow(y, Mod(step - y, 16), 16);
        CopyPixelRow(kScreenHeight - 1 - y, Mod(-y - step, 16), 16);
      }
      break;
    case 3:
      TileStep(0, step, true);
      break;
    case 4: {
      Picture& screen = layers_.env.screen.BackImage;
      const Picture& work = layers_.env.screen.WorkScreen;
      for (int by = 0; by < kBlockRows; ++by)
        for (int bx = Mod(-(by + step), 8); bx < kBlockColumns; bx += 8)
          screen.Blit(bx * kBlock, by * kBlock, kBlock, kBlock, work, bx * kBlock, by * kBlock);
      break;
    }
    default:
      break;
  }
}

void TransitionPlayer::WipeStep(int i) {
  Picture& screen = layers_.env.screen.BackImage;
  const Picture& work = layers_.env.screen.WorkScreen;
  const bool vertical = spec_.variant < 2, mirrored = spec_.variant % 2 == 1;
  const int strips = vertical ? 16 : 12;
  for (int j = 0; j < strips; ++j) {
    const int q = i - j;
    if (q < 1 || q > 20) continue;
    const int extent = vertical ? kScreenWidth : kScreenHeight;
    const int at = mirrored ? extent - 40 * j - 2 * q : 40 * j + 2 * q - 2;
    if (vertical)
      screen.Blit(at, 0, 2, kScreenHeight, work, at, 0);
    else
      screen.Blit(0, at, kScreenWidth, 2, work, 0, at);
  }
}

void TransitionPlayer::Line0Step(int k) {
  Picture& screen = layers_.env.screen.BackImage;
  const Picture& work = layers_.env.screen.WorkScreen;
  // Rows past the screen are cut by the blit: the later steps only wait.
  screen.Blit(0, 4 * k, kScreenWidth, 2, work, 0, 4 * k);
  screen.Blit(0, 478 - 4 * k, kScreenWidth, 2, work, 0, 478 - 4 * k);
}

void TransitionPlayer::Line1Step(int s) {
  Picture& screen = layers_.env.screen.BackImage;
  const Picture& work = layers_.env.screen.WorkScreen;
  for (int r = 0; r < 30; ++r) {
    const int q = s - r - 1;
    if (q < 0 || q >= 80) continue;
    const int upperX = kBlock * q, lowerX = kBlock * (79 - q);
    screen.Blit(upperX, 16 * r, kBlock, kBlock, work, upperX, 16 * r);
    screen.Blit(lowerX, 16 * r + 8, kBlock, kBlock, work, lowerX, 16 * r + 8);
  }
}

void TransitionPlayer::BlendStep(int i) {
  Picture& buffer = layers_.TransitionBuffer;
  if (buffer.Empty()) buffer.Resize(kScreenWidth, kScreenHeight);
  const PixelVector& fresh = layers_.env.screen.WorkScreen.Pixels();
  const PixelVector& old = layers_.ScratchPicture.Pixels();
  PixelVector& mixed = buffer.Pixels();
  const uint32_t a = static_cast<uint32_t>(i), b = 16 - a;
  const size_t n = std::min({fresh.size(), old.size(), mixed.size()});
  for (size_t p = 0; p < n; ++p) {
    // Red and blue mix side by side in one word: each sum stays below 2^12,
    // so the lanes never meet.
    const uint32_t f = fresh[p], o = old[p];
    const uint32_t rb = (((f & 0xFF00FF) * a + (o & 0xFF00FF) * b) >> 4) & 0xFF00FF;
    const uint32_t g = (((f & 0x00FF00) * a + (o & 0x00FF00) * b) >> 4) & 0x00FF00;
    mixed[p] = rb | g;
  }
  layers_.env.screen.BackImage.Draw(0, 0, buffer);
}

void TransitionPlayer::MoveStep(int step) {
  Picture& screen = layers_.env.screen.BackImage;
  const Picture& fresh = layers_.env.screen.WorkScreen;
  const Picture& old = layers_.ScratchPicture;
  const int o = offsets_[step];
  int oldX = 0, oldY = 0, newX = 0, newY = 0;
  switch (spec_.variant) {
    case 0:
      oldX = -o, newX = kScreenWidth - o;
      break;
    case 1:
      oldX = o, newX = o - kScreenWidth;
      break;
    case 2:
      oldY = -o, newY = kScreenHeight - o;
      break;
    default:
      oldY = o, newY = o - kScreenHeight;
      break;
  }
  if (spec_.family == F::Scroll) screen.Draw(oldX, oldY, old);
  screen.Draw(newX, newY, fresh);
  if (spec_.prep == P::MovingPlain) layers_.OverlayMessage(screen);
}

void TransitionPlayer::DrawStep(int step) {
  if (step < 0 || step >= steps_) return;
  switch (spec_.family) {
    case F::Tile:
      TileStep(spec_.variant, step, false);
      break;
    case F::Pat:
      PatStep(step);
      break;
    case F::Wipe:
      WipeStep(step);
      break;
    case F::Line0:
      Line0Step(step);
      break;
    case F::Line1:
      Line1Step(step);
      break;
    case F::Blend:
      BlendStep(step);
      break;
    case F::Scroll:
    case F::Slide:
      MoveStep(step);
      break;
  }
  if (spec_.prep == P::Pixels) layers_.env.screen.BackImage.Draw(0, 0, layers_.ScratchPicture);
}

void RunTransition(Layers& layers, std::string_view argument) {
  Pump& pump = layers.env.pump;
  Window& window = layers.env.window;
  const bool popup = window.PopupEnabled();
  window.SetPopupEnabled(false);
  layers.ScratchPicture.Resize(kScreenWidth, kScreenHeight);
  // Black again at every transition, as the debug window shows it; made by
  // the first cross-fade.
  if (!layers.TransitionBuffer.Empty()) layers.TransitionBuffer.Resize(kScreenWidth, kScreenHeight);
  if (const TransitionSpec* spec = FindTransition(argument)) {
    TransitionPlayer player(layers, *spec);
    player.Prepare();
    ClickState& click = layers.env.click;
    // Step k ends at k + 1 waits from the start: time spent drawing or
    // showing a step is taken from the following waits instead of adding
    // up, so the whole transition keeps the pace of the table.
    const uint32_t begin = pump.TickCount();
    for (int step = 0; step < player.StepCount(); ++step) {
      player.DrawStep(step);
      window.InvalidateScreen();
      if (spec->waitMs > 0) {
        click.ClickEnabled = false;
        layers.env.waits.WaitUntil(begin, static_cast<int64_t>(spec->waitMs) * (step + 1));
        click.ClickEnabled = true;
      } else {
        pump.ProcessMessages();
      }
    }
  }
  layers.ComposeScene();
  layers.LayersDirty = false;
  window.SetPopupEnabled(popup);
}

}  // namespace korvana
