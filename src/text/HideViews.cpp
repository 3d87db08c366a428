#include "text/HideViews.h"

#include "core/ClickState.h"
#include "core/StoryCursor.h"
#include "core/Waits.h"
#include "graphics/Layers.h"
#include "platform/Platform.h"

namespace korvana {
namespace {

// The part both views share: timer and pop-up menu held, the wait cursor,
// the screen kept; undone in reverse when the view ends.
class ViewGuard {
 public:
  ViewGuard(LayerEnvironment& env, StoryCursor& cursor)
      : env_(env), cursor_(cursor), timer_(env.pump.Timer1Enabled()) {
    env_.pump.SetTimer1(false);
    env_.window.SetPopupEnabled(false);
    cursor_.ShowTemporary(Cursor::Wait);
    saved_.Draw(0, 0, env_.screen.BackImage);
  }
  void WaitForClick() {
    env_.window.InvalidateScreen();
    env_.waits.WaitForClick(false);
    cursor_.ShowChosen();
    env_.screen.BackImage.Draw(0, 0, saved_);
    env_.window.InvalidateScreen();
  }
  ~ViewGuard() {
    env_.click.ClearClicks();
    env_.pump.SetTimer1(timer_);
    env_.window.SetPopupEnabled(true);
  }

 private:
  LayerEnvironment& env_;
  StoryCursor& cursor_;
  bool timer_;
  Picture saved_{kScreenWidth, kScreenHeight};
};

}  // namespace

void ShowPictureOnlyView(Layers& layers, StoryCursor& cursor) {
  LayerEnvironment& env = layers.env;
  ViewGuard view(env, cursor);
  const int32_t mode = layers.settings.TextHideMode;
  if (!layers.LayersDirty) layers.ComposeWithout(static_cast<uint32_t>(mode) & 7u, (mode & 8) != 0);
  env.screen.BackImage.Draw(0, 0, env.screen.WorkScreen);
  view.WaitForClick();
  if (!layers.LayersDirty) layers.ComposeScene();
}

void ShowMessageOnlyView(Layers& layers, StoryCursor& cursor, uint32_t textColor) {
  LayerEnvironment& env = layers.env;
  if (!env.message.MessageVisible()) return;
  ViewGuard view(env, cursor);
  const bool bright = (textColor & 0xFF) > 126 || ((textColor >> 8) & 0xFF) > 126 ||
                      ((textColor >> 16) & 0xFF) > 126;
  env.screen.BackImage.Fill(bright ? 0x000000 : 0xFFFFFF);
  layers.OverlayMessage(env.screen.BackImage);
  view.WaitForClick();
}

}  // namespace korvana
