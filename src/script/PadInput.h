#pragma once
// The game controller's buttons turned into what the reader asked for, the
// same for the window and the headless runner: each host hands over presses
// and releases with the time they came at, and gives the actions a target.
// Directions repeat while held, as a held key does: the first repeat after
// kFirstRepeatMs, then one every kRepeatMs, counted on the host's clock (the
// headless runner's is virtual).
#include <array>
#include <cstdint>

#include "config/PadMapping.h"
#include "platform/Input.h"
#include "platform/Pad.h"

namespace korvana {

// Where the actions land.
class PadTarget {
 public:
  virtual ~PadTarget() = default;
  // A left click where the pointer stands.
  virtual void PadClick() = 0;
  // The pop-up menu, or the dialog that is open closed.
  virtual void PadMenu() = 0;
  // The pop-up menu's item of this name, chosen as its shortcut would choose
  // it: not at all while the story has it greyed out.
  virtual void PadMenuItem(const char* name) = 0;
  // An arrow key.
  virtual void PadArrow(Key key) = 0;
  // The skip button went down or up (as Ctrl does).
  virtual void PadSkip(bool held) = 0;
  // A screen of the story's own that takes the actions while it is open
  // (the message log); true when it took this one.
  virtual bool PadInView(config::PadAction) { return false; }
};

class PadInput {
 public:
  static constexpr uint32_t kFirstRepeatMs = 400;
  static constexpr uint32_t kRepeatMs = 120;

  explicit PadInput(PadTarget& target,
                    config::PadMapping mapping = config::DefaultPadMapping());

  // A new mapping lets go of whatever the old one held.
  void SetMapping(const config::PadMapping& mapping);
  const config::PadMapping& Mapping() const { return mapping_; }

  void Press(PadButton button, uint32_t now);
  void Release(PadButton button, uint32_t now);
  // Every held button let go, as when the pad is unplugged.
  void ReleaseAll();
  // Sends the repeat that is due by `now`. A host that looks late sends one
  // repeat, not a burst of those it missed.
  void Tick(uint32_t now);
  // Milliseconds from `now` to the next repeat; -1 when nothing repeats.
  int64_t NextRepeatIn(uint32_t now) const;
  bool Held(PadButton button) const { return held_[static_cast<size_t>(button)]; }

 private:
  void Act(config::PadAction action);

  PadTarget& target_;
  config::PadMapping mapping_;
  std::array<bool, static_cast<size_t>(PadButton::Count)> held_{};
  bool repeating_ = false;
  PadButton repeatButton_ = PadButton::Up;
  uint32_t nextRepeat_ = 0;
};

// The arrow key of a direction action; Key::Other for the rest.
Key PadArrowKey(config::PadAction action);

}  // namespace korvana
