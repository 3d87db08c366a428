#include "text/ClickWait.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "core/ClickState.h"
#include "core/Coords.h"
#include "core/Errors.h"
#include "core/ScreenSize.h"
#include "core/Waits.h"
#include "graphics/Mask.h"
#include "graphics/PictureLoader.h"
#include "platform/Platform.h"
#include "sound/SoundSystem.h"
#include "text/MessageText.h"
#include "text/PageText.h"

namespace korvana {

ClickWait::ClickWait(const TextEnvironment& env, const MessageText& layer)
    : env_(env), layer_(layer) {}

ClickWait::AutoCountdown::AutoCountdown(const TextEnvironment& env, const MessageText& layer)
    : env_(env), layer_(layer) {}

int64_t ClickWait::AutoCountdown::RemainingMs() {
  const ClickState& click = env_.click;
  if (!click.AutoMode || click.ModalDepth > 0) {
    running_ = false;
    return Pump::kNoTimeout;
  }
  const uint32_t now = env_.pump.TickCount();
  if (!running_) {
    // Turned on during the wait: the reader gets the whole time from now.
    running_ = true;
    start_ = now;
    dialogMsAtStart_ = click.DialogMs;
  }
  // What the reader must hear out before the page turns by itself; the
  // text's own speech, when it is spoken, is one more reason to wait here.
  if (env_.sound.VoicePlaying()) return Pump::kNoTimeout;
  if (click.SpeakPages && env_.speech.Speaking()) return Pump::kNoTimeout;
  const int64_t delay = std::max<int64_t>(click.AutoBaseMs, 0) +
                        std::max<int64_t>(click.AutoPerCharMs, 0) * layer_.PageChars();
  // Unsigned difference: the tick wrap does not matter.
  const int64_t elapsed =
      int64_t{static_cast<uint32_t>(now - start_)} - (click.DialogMs - dialogMsAtStart_);
  return std::max<int64_t>(delay - elapsed, 0);
}

void ClickWait::SetWaitMenuItems(bool enabled) {
  Window& window = env_.window;
  const bool canSave = enabled && layer_.SaveAllowed() && env_.story.HasSavePoint();
  // The quick save and load follow the items they stand beside.
  for (MenuItem item : {MenuItem::Save, MenuItem::QuickSave})
    window.SetMenuItemEnabled(item, canSave);
  env_.story.OfferPageSteps(canSave);
  for (MenuItem item : {MenuItem::Load, MenuItem::QuickLoad, MenuItem::TitleReturn,
                        MenuItem::HideBackground, MenuItem::HideText, MenuItem::Darkness})
    window.SetMenuItemEnabled(item, enabled);
}

void ClickWait::GiveOut(bool speak, bool send) {
  if (speak && !spoken_.empty()) env_.speech.Say(spoken_);
  if (send && !written_.empty()) env_.textOut.SendText(written_);
}

void ClickWait::OfferText(bool speak, bool send) {
  if (waiting_) GiveOut(speak, send);
}

void ClickWait::Wait(ClickWaitKind kind, PageText& page) {
  ClickState& click = env_.click;
  // Skipping passes the text by: it is not spoken later either, and what
  // was being spoken stops.
  auto passBy = [&] {
    page.Take();
    if (click.SpeakPages) env_.speech.StopSpeech();
  };
  if (click.SkippingRead()) return passBy();
  if (click.PageUnitMode && kind == ClickWaitKind::LineEnd) return;
  auto ctrlSkipping = [&] { return click.CtrlSkipping(env_.pump.TickCount()); };
  if (ctrlSkipping()) {
    passBy();
    // Ctrl answers the wait itself; the window still gets its turn, which is
    // where the release of Ctrl arrives.
    env_.pump.ProcessMessages();
    return;
  }
  PageText::Part part = page.Take();
  spoken_ = std::move(part.spoken);
  written_ = std::move(part.written);
  click.ClickFlag = false;
  waiting_ = true;
  if (!markerRunning_) {
    env_.pump.ProcessMessages();
    markerRow_ = static_cast<int>(kind);
    DrawMarkerFrame();
    SetMarkerRunning(true);
  }
  SetWaitMenuItems(true);
  click.MouseDownFlag = click.MouseUpFlag = false;
  GiveOut(click.SpeakPages, click.SendPages);
  env_.observer.ClickWaitStarted();
  // Ctrl held through the wait ends it once held long enough; the marker's
  // timer wakes the pump often enough to notice. Auto mode ends it at a time
  // of its own, which the pump is told so that it wakes exactly then.
  AutoCountdown countdown(env_, layer_);
  auto alsoEnds = [&] {
    return click.SkippingRead() || ctrlSkipping() || countdown.RemainingMs() == 0;
  };
  env_.waits.PressThenRelease(true, alsoEnds, alsoEnds, [&] { return countdown.RemainingMs(); });
  waiting_ = false;
  // The click, key or skip that ended the wait ends the speech too; auto
  // mode waited for it to end.
  if (click.SpeakPages && env_.speech.Speaking()) env_.speech.StopSpeech();
  click.FinishTextFlag = false;
  SetMarkerRunning(false);
  RestoreMarkerSquare();
  SetWaitMenuItems(false);
}

namespace {

// Whether the marker's frames of `row` (drawn AND `mask`, OR `icon`) all
// leave the screen the same. A pixel outside the picture leaves the screen
// as it is, as a pixel that masks nothing and adds nothing does.
bool FramesAlike(const Picture& icon, const Picture& mask, int row) {
  constexpr int kSize = ClickWait::kMarkerSize;
  const auto effect = [&](int x, int y) -> std::pair<uint32_t, uint32_t> {
    if (x >= icon.Width() || y >= icon.Height() || x >= mask.Width() || y >= mask.Height())
      return {0xFFFFFFFFu, 0};
    return {mask.Pixel(x, y), icon.Pixel(x, y)};
  };
  for (int frame = 1; frame < 8; ++frame)
    for (int y = row * kSize; y < (row + 1) * kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        if (effect(frame * kSize + x, y) != effect(x, y)) return false;
  return true;
}

}  // namespace

void ClickWait::LoadIcon(std::string_view file) {
  icon_ = Picture();
  iconMask_ = Picture();
  stillRows_[0] = stillRows_[1] = true;
  if (file.empty()) return;
  try {
    LoadPicture(file, icon_, env_.files, env_.errors);
  } catch (const ScriptException&) {
    icon_ = Picture();  // no readable marker: the marker draws nothing
  }
  if (icon_.Empty()) return;
  BuildColorKeyMask(icon_, iconMask_, SwapRedBlue(icon_.Pixel(0, 0)));
  for (int row = 0; row < 2; ++row) stillRows_[row] = FramesAlike(icon_, iconMask_, row);
}

void ClickWait::SetMarkerRunning(bool running) {
  if (running == markerRunning_) return;
  markerRunning_ = running;
  env_.pump.SetTimer1(running);
  env_.pump.SetTimer1Visible(!running || !stillRows_[markerRow_]);
}

void ClickWait::MarkerPosition(int& x, int& y) const {
  const TextState& t = layer_.text;
  const int64_t mx = int64_t{t.CursorX} + t.OffsetX;
  const int64_t my = int64_t{t.CursorY} + t.LineHeight - t.FontHeight +
                     (int64_t{t.FontHeight} - kMarkerSize) / 2 + t.OffsetY + 16;
  if (mx >= kScreenWidth - kMarkerSize || my >= kScreenHeight - kMarkerSize) {
    x = kScreenWidth - kMarkerSize;
    y = kScreenHeight - kMarkerSize;
  } else {
    x = PinCoordinate(mx);
    y = PinCoordinate(my);
  }
}

void ClickWait::RestoreSquare(int x, int y, int w, int h) {
  // The scene comes back under the marker, and the text over it, so that a
  // marker standing on text leaves no hole in it.
  env_.screen.BackImage.Blit(x, y, w, h, env_.screen.WorkScreen, x, y);
  layer_.ShowOnScreen(x, y, w, h);
  env_.window.InvalidateRect(x, y, w, h);
}

void ClickWait::RestoreMarkerSquare() {
  RestoreSquare(markerX_, markerY_, kMarkerSize, kMarkerSize);
  RestoreAutoMark();
}

void ClickWait::RestoreAutoMark() {
  if (!autoMarkShown_) return;
  autoMarkShown_ = false;
  RestoreSquare(autoMarkX_, autoMarkY_, kAutoMarkSize, kAutoMarkSize);
}

void ClickWait::DrawAutoMark() {
  // Beside the marker, on the side the screen has room for; a small
  // triangle pointing on, white with a dark shadow, readable on any scene.
  autoMarkX_ = markerX_ + kMarkerSize + 2 + kAutoMarkSize <= kScreenWidth
                   ? markerX_ + kMarkerSize + 2
                   : markerX_ - 2 - kAutoMarkSize;
  autoMarkY_ = markerY_ + (kMarkerSize - kAutoMarkSize) / 2;
  autoMarkShown_ = true;
  Picture& screen = env_.screen.BackImage;
  constexpr int kHalf = (kAutoMarkSize - 2) / 2;
  for (int shade = 1; shade >= 0; --shade) {
    const uint32_t colour = shade ? 0x000000 : 0xFFFFFF;
    for (int r = 0; r <= 2 * kHalf; ++r) {
      const int length = 2 * (kHalf - std::abs(r - kHalf)) + 1;
      screen.FillRect(int64_t{autoMarkX_} + shade, int64_t{autoMarkY_} + r + shade, length, 1,
                      colour);
    }
  }
  env_.window.InvalidateRect(autoMarkX_, autoMarkY_, kAutoMarkSize, kAutoMarkSize);
}

void ClickWait::AutoModeChanged() {
  // Shown or taken away at once, not at the marker's next frame.
  if (!waiting_ || !markerRunning_) return;
  RestoreAutoMark();
  if (env_.click.AutoMode) DrawAutoMark();
}

void ClickWait::DrawMarkerFrame() {
  MarkerPosition(markerX_, markerY_);
  RestoreMarkerSquare();
  const int sx = markerFrame_ * kMarkerSize, sy = markerRow_ * kMarkerSize;
  if (!icon_.Empty()) {
    env_.screen.BackImage.Blit(markerX_, markerY_, kMarkerSize, kMarkerSize, iconMask_, sx, sy,
                               RasterOp::And);
    env_.screen.BackImage.Blit(markerX_, markerY_, kMarkerSize, kMarkerSize, icon_, sx, sy,
                               RasterOp::Or);
  }
  if (env_.click.AutoMode) DrawAutoMark();
  markerFrame_ = (markerFrame_ + 1) % 8;
}

void ClickWait::OnTimer1() {
  if (markerRunning_) DrawMarkerFrame();
}

}  // namespace korvana
