#pragma once
// A game controller in the shell's menus and dialogs. The window hands every
// pad button here first; while the pop-up menu, a modal dialog or the debug
// window is in front, that window takes the button and the story gets none.
//
// In the pop-up menu (and a combo box's open list) the d-pad is the arrow
// keys, A chooses, B closes the innermost open menu. In a dialog:
//   Up / Down      the previous / next control, round the dialog; in a list
//                  they move the row and leave the list past its ends.
//   Left / Right   step the value of a spin box, slider, combo box or the
//                  tab bar; on any other control the same as Up / Down.
//   A              presses a button, toggles a check box, opens a combo box,
//                  activates a list's row, opens the on-screen keyboard on a
//                  text field.
//   B              closes the dialog as Esc does (Cancel).
//   Start          the dialog's default button, as Enter (OK).
//   LB / RB        page up / down: the slot dialog's pages, a list's pages.
// Nothing done here waits for a window: a press that opens a dialog or ends
// one happens from the event loop just after the call returns, so a caller
// driven by a timer is never held inside it.
#include "platform/Pad.h"

namespace korvana {

// True when a menu, a dialog or the on-screen keyboard took the button
// (every button while one of them is in front, even one that means nothing
// there, and while any modal window is open); false when none is open and
// the button is the story's.
bool HandlePadInDialogs(PadButton button);

}  // namespace korvana
