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
  // Ctrl held: text runs on as if every click wait were clicked.
  bool CtrlSkip = false;
  // Choices and dialogs open above the story; while one is, the wheel and
  // Ctrl do not reach the text.
  int ModalDepth = 0;

  void ClearClicks() { ClickFlag = MouseDownFlag = MouseUpFlag = false; }
};

}  // namespace korvana
