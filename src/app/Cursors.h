#pragma once
// The five cursors of the story (pen, hand, wait, arrow, blank), drawn by us.
#include <QCursor>

namespace korvana {

// Kind 1-5; any other kind is the system's default cursor.
QCursor StoryCursor(int kind);

}  // namespace korvana
