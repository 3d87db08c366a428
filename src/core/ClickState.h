#pragma once
// The flags through which input and menu handlers talk to the waiting code:
// the click flags, the reading modes, the request that the pop-up menu files
// for the interpreter loop, and the text id of the line being shown (which
// skipping of read text tests). Handlers only set them; waits test them.
#include <cstdint>

namespace korvana {

// A menu action that changes the course of the story only files one of these;
// the interpreter loop serves it between two lines. `Back` and `Forward` step
// through the pages kept in memory; `Jump` moves the story to a label the
// debug window chose; `Reload` draws the text line that waited for a click
// again from its start, once the author's script was read anew.
enum class Request : int32_t {
  None = 0,
  Load = 1,
  Title = 2,
  Back = 3,
  Forward = 4,
  Jump = 5,
  Reload = 6
};

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
  // The reader's choices for skipping read text: it goes on past a choice
  // (the press that answers the choice does not end it), and it passes text
  // not read before as well.
  bool SkipPastChoices = false;
  bool SkipUnread = false;
  // Auto mode: a text click wait ends by itself AutoBaseMs after it began,
  // plus AutoPerCharMs for each character of the page's text.
  bool AutoMode = false;
  int32_t AutoBaseMs = 1500;
  int32_t AutoPerCharMs = 40;
  // The time dialogs stood open over the story, summed: a dialog is not
  // reading time, so auto mode's countdown leaves it out.
  int64_t DialogMs = 0;
  // Ctrl held alone runs text on as if every click wait were clicked, but
  // only once it has been held a moment: Ctrl+letter is a shortcut of the
  // pop-up menu, and its item must act where the player pressed it, not
  // pages later.
  static constexpr uint32_t kCtrlSkipDelayMs = 250;
  bool CtrlHeld = false;
  // Another key came while Ctrl was down: a shortcut, not a skip, until Ctrl
  // is let go.
  bool CtrlChord = false;
  uint32_t CtrlDownTick = 0;
  // Choices and dialogs open above the story; while one is, the wheel and
  // Ctrl do not reach the text.
  int ModalDepth = 0;
  Request PendingRequest = Request::None;
  // The "~" id of the line being run; -1 for a line without one.
  int32_t CurrentTextId = -1;
  // Where the pointer last moved on the picture (`$sys[0]`, `$sys[1]`, the
  // highlight of a choice).
  int PointerX = 0, PointerY = 0;
  // Where the last click was made.
  int ClickX = 0, ClickY = 0;
  // The reader's speech and text out ("読み上げ", "テキストを外部へ"): each
  // click wait speaks and sends the page's text that appeared before it.
  bool SpeakPages = false;
  bool SendPages = false;

  void ClearClicks() { ClickFlag = MouseDownFlag = MouseUpFlag = false; }
  // Skipping read text passes over the waits of lines that have an id (of
  // every line when unread text is skipped too).
  bool SkippingRead() const { return SkipReadMode && (CurrentTextId >= 0 || SkipUnread); }
  // Ctrl answers text waits, but not while a choice or dialog is open. `now`
  // is the tick count; the difference is taken unsigned so that the tick
  // wrap does not matter.
  bool CtrlSkipping(uint32_t now) const {
    return CtrlHeld && !CtrlChord && ModalDepth == 0 && now - CtrlDownTick >= kCtrlSkipDelayMs;
  }
  // The one test of a pending load or title request: it ends click waits
  // and the text line being shown.
  bool RequestPending() const { return PendingRequest != Request::None; }
};

}  // namespace korvana
