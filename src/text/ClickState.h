#pragma once
// The flags through which input handlers talk to the waiting code, and the
// reading modes. Handlers only set them; waits test them.
namespace korvana {

struct ClickState {
  bool ClickFlag = false;
  bool MouseDownFlag = false;
  bool MouseUpFlag = false;
  bool ClickEnabled = true;
  bool FinishTextFlag = false;
  bool TextActive = false;
  bool HighSpeedMode = false;
  bool PageUnitMode = false;
  bool SkipReadMode = false;

  void ClearClicks() { ClickFlag = MouseDownFlag = MouseUpFlag = false; }
};

}  // namespace korvana
