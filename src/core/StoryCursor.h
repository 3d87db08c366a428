#pragma once
// The cursor the script chose with `_mousepat`, and the temporary cursors
// that waits, views and choices show over it before they give it back.
#include <cstdint>

#include "platform/Window.h"

namespace korvana {

class StoryCursor {
 public:
  explicit StoryCursor(Window& window) : window_(window) {}

  // Saved with the game; kept even when it names no cursor.
  int32_t Kind() const { return kind_; }
  // `_mousepat`, a loaded game: remembered and shown.
  void Choose(int32_t kind) {
    kind_ = kind;
    ShowChosen();
  }
  void ShowChosen() { window_.SetCursor(CursorForKind(kind_)); }
  void ShowTemporary(Cursor cursor) { window_.SetCursor(cursor); }

 private:
  Window& window_;
  int32_t kind_ = 1;
};

}  // namespace korvana
