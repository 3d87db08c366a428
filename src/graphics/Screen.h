#pragma once
// The visible screen and the composed scene under the message text. The
// window shows BackImage and is told when it changed; layers compose into
// WorkScreen, and text and effects draw on both.
#include "core/ScreenSize.h"
#include "graphics/Picture.h"

namespace korvana {

struct Screen {
  Picture BackImage{kScreenWidth, kScreenHeight};
  Picture WorkScreen{kScreenWidth, kScreenHeight};
};

// The message layer as the layers see it: the text subsystem owns it and
// says whether it shows.
class MessageWindow {
 public:
  virtual ~MessageWindow() = default;
  virtual bool MessageVisible() const = 0;
  // Lays the message window over `target` (AND mask, OR image) when it is
  // visible; false when it is hidden.
  virtual bool OverlayMessage(Picture& target) const = 0;
  // What OverlayMessage lays, when it is visible and laid that way (AND
  // `mask`, then OR `image`, both at (0, 0)): a refresh then lays the two
  // pictures in the pass that composes the scene. Nulls when hidden, or for
  // a window that draws itself otherwise; OverlayMessage is used then.
  struct LaidPictures {
    const Picture* mask = nullptr;
    const Picture* image = nullptr;
  };
  virtual LaidPictures Laid() const { return {}; }
};

}  // namespace korvana
