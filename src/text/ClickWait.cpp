#include "text/ClickWait.h"

#include "core/ClickState.h"
#include "core/Coords.h"
#include "core/Errors.h"
#include "core/ScreenSize.h"
#include "core/Waits.h"
#include "graphics/Mask.h"
#include "graphics/PictureLoader.h"
#include "platform/Platform.h"
#include "text/MessageText.h"

namespace korvana {

ClickWait::ClickWait(const TextEnvironment& env, const MessageText& layer)
    : env_(env), layer_(layer) {}

void ClickWait::SetWaitMenuItems(bool enabled) {
  Window& window = env_.window;
  const bool canSave = enabled && layer_.SaveAllowed() && env_.story.HasSavePoint();
  window.SetMenuItemEnabled(MenuItem::Save, canSave);
  env_.story.OfferPageSteps(canSave);
  for (MenuItem item : {MenuItem::Load, MenuItem::TitleReturn, MenuItem::HideBackground,
                        MenuItem::HideText, MenuItem::Darkness})
    window.SetMenuItemEnabled(item, enabled);
}

void ClickWait::Wait(ClickWaitKind kind) {
  ClickState& click = env_.click;
  if (click.SkippingRead()) return;
  if (click.PageUnitMode && kind == ClickWaitKind::LineEnd) return;
  auto ctrlSkipping = [&] { return click.CtrlSkipping(env_.pump.TickCount()); };
  if (ctrlSkipping()) {
    // Ctrl answers the wait itself; the window still gets its turn, which is
    // where the release of Ctrl arrives.
    env_.pump.ProcessMessages();
    return;
  }
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
  env_.observer.ClickWaitStarted();
  // Ctrl held through the wait ends it once held long enough; the marker's
  // timer wakes the pump often enough to notice.
  auto alsoEnds = [&] { return click.SkippingRead() || ctrlSkipping(); };
  env_.waits.PressThenRelease(true, alsoEnds, alsoEnds);
  waiting_ = false;
  click.FinishTextFlag = false;
  SetMarkerRunning(false);
  RestoreMarkerSquare();
  SetWaitMenuItems(false);
}

void ClickWait::LoadIcon(std::string_view file) {
  icon_ = Picture();
  iconMask_ = Picture();
  if (file.empty()) return;
  try {
    LoadPicture(file, icon_, env_.files, env_.errors);
  } catch (const ScriptException&) {
    icon_ = Picture();  // no readable marker: the marker draws nothing
  }
  if (icon_.Empty()) return;
  BuildColorKeyMask(icon_, iconMask_, SwapRedBlue(icon_.Pixel(0, 0)));
}

void ClickWait::SetMarkerRunning(bool running) {
  if (running == markerRunning_) return;
  markerRunning_ = running;
  env_.pump.SetTimer1(running);
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

void ClickWait::RestoreMarkerSquare() {
  // The scene comes back under the marker, and the text over it, so that a
  // marker standing on text leaves no hole in it.
  env_.screen.BackImage.Blit(markerX_, markerY_, kMarkerSize, kMarkerSize, env_.screen.WorkScreen,
                             markerX_, markerY_);
  layer_.ShowOnScreen(markerX_, markerY_, kMarkerSize, kMarkerSize);
  env_.window.InvalidateRect(markerX_, markerY_, kMarkerSize, kMarkerSize);
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
  markerFrame_ = (markerFrame_ + 1) % 8;
}

void ClickWait::OnTimer1() {
  if (markerRunning_) DrawMarkerFrame();
}

}  // namespace korvana
