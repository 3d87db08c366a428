#pragma once
// The five cursors of the story (pen, hand, wait, arrow, blank), drawn by us.
#include <QCursor>

#include "platform/Window.h"

namespace korvana {

// The default is the system's arrow.
QCursor CursorPicture(Cursor cursor);

}  // namespace korvana
