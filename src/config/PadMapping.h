#pragma once
// What each button of a game controller does. The reader may change it in
// the settings dialog; it is kept in settings.ini as one key per button
// ("PadA=click"), so the names below are what the file holds and the
// manuals list.
#include <array>
#include <optional>
#include <string_view>

#include "platform/Pad.h"

namespace korvana::config {

enum class PadAction {
  None,
  Click,     // as a left click where the pointer stands
  Menu,      // the pop-up menu, or closes the dialog that is open
  HideText,  // the message window hidden
  Log,       // the message log
  Back,      // a page back
  Forward,   // a page forward
  Skip,      // held: text runs on as with Ctrl held
  Auto,      // auto mode on or off
  Save,      // the save dialog
  Load,      // the load dialog
  Up,
  Down,
  Left,
  Right,
  Count
};

inline constexpr std::array<std::string_view, static_cast<size_t>(PadAction::Count)>
    kPadActionNames = {"none", "click", "menu", "hidetext", "log", "back",  "forward", "skip",
                       "auto", "save",  "load", "up",       "down", "left", "right"};

inline std::string_view PadActionName(PadAction a) {
  return kPadActionNames[static_cast<size_t>(a)];
}

std::optional<PadAction> ParsePadAction(std::string_view name);

// The item of the pop-up menu an action chooses, so that an item the story
// has greyed out stays out of reach of the pad as well; null for actions that
// are no item.
const char* PadActionMenuItem(PadAction action);

// A direction: it repeats while held, as a key does.
inline bool PadActionRepeats(PadAction a) {
  return a == PadAction::Up || a == PadAction::Down || a == PadAction::Left ||
         a == PadAction::Right;
}

using PadMapping = std::array<PadAction, static_cast<size_t>(PadButton::Count)>;

// A clicks, B the pop-up menu, X hides the text, Y the log, the shoulder
// buttons page back and forward, LT held skips, RT auto mode, Start saves,
// Back loads, and the d-pad moves as the arrow keys.
PadMapping DefaultPadMapping();

inline PadAction ActionOf(const PadMapping& mapping, PadButton b) {
  return mapping[static_cast<size_t>(b)];
}

}  // namespace korvana::config
