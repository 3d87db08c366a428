#include "script/PadInput.h"

namespace korvana {

using config::PadAction;

namespace {

// Signed distance between two tick counts, so that the tick wrap does not
// matter.
int32_t Since(uint32_t now, uint32_t then) {
  return static_cast<int32_t>(now - then);
}

}  // namespace

Key PadArrowKey(PadAction action) {
  switch (action) {
    case PadAction::Up:
      return Key::Up;
    case PadAction::Down:
      return Key::Down;
    case PadAction::Left:
      return Key::Left;
    case PadAction::Right:
      return Key::Right;
    default:
      return Key::Other;
  }
}

PadInput::PadInput(PadTarget& target, config::PadMapping mapping)
    : target_(target), mapping_(mapping) {}

void PadInput::SetMapping(const config::PadMapping& mapping) {
  ReleaseAll();
  mapping_ = mapping;
}

void PadInput::Act(PadAction action) {
  if (action == PadAction::None || target_.PadInView(action)) return;
  if (const char* item = config::PadActionMenuItem(action)) {
    target_.PadMenuItem(item);
    return;
  }
  switch (action) {
    case PadAction::Click:
      target_.PadClick();
      break;
    case PadAction::Menu:
      target_.PadMenu();
      break;
    case PadAction::Skip:
      target_.PadSkip(true);
      break;
    default:
      if (PadActionRepeats(action)) target_.PadArrow(PadArrowKey(action));
      break;
  }
}

void PadInput::Press(PadButton button, uint32_t now) {
  if (button >= PadButton::Count) return;
  bool& held = held_[static_cast<size_t>(button)];
  // A press of a button already down (a stick that wavers at its edge) is no
  // new press.
  if (held) return;
  held = true;
  const PadAction action = config::ActionOf(mapping_, button);
  if (PadActionRepeats(action)) {
    // The latest direction repeats; an earlier one held with it stops.
    repeating_ = true;
    repeatButton_ = button;
    nextRepeat_ = now + kFirstRepeatMs;
  }
  Act(action);
}

void PadInput::Release(PadButton button, uint32_t) {
  if (button >= PadButton::Count) return;
  bool& held = held_[static_cast<size_t>(button)];
  if (!held) return;
  held = false;
  if (repeating_ && repeatButton_ == button) repeating_ = false;
  if (config::ActionOf(mapping_, button) == PadAction::Skip) target_.PadSkip(false);
}

void PadInput::ReleaseAll() {
  for (size_t i = 0; i < held_.size(); ++i)
    if (held_[i]) Release(static_cast<PadButton>(i), 0);
  repeating_ = false;
}

void PadInput::Tick(uint32_t now) {
  if (!repeating_ || Since(now, nextRepeat_) < 0) return;
  nextRepeat_ += kRepeatMs;
  if (Since(now, nextRepeat_) >= 0) nextRepeat_ = now + kRepeatMs;
  Act(config::ActionOf(mapping_, repeatButton_));
}

int64_t PadInput::NextRepeatIn(uint32_t now) const {
  if (!repeating_) return -1;
  const int32_t left = Since(nextRepeat_, now);
  return left < 0 ? 0 : left;
}

}  // namespace korvana
