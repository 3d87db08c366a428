#pragma once
// The local message pumps every wait of the story runs: one loop for timed
// waits and one for click waits, so that the tick wrap, the request test and
// the press-then-release rule are written once.
#include <cstdint>

#include "core/ClickState.h"
#include "platform/Observer.h"
#include "platform/Pump.h"

namespace korvana {

class Waits {
 public:
  Waits(Pump& pump, Observer& observer, ClickState& click)
      : pump_(pump), observer_(observer), click_(click) {}

  // Waits |ms| milliseconds with clicks disabled; it runs to its end even
  // when a request is filed.
  void TimedWait(int32_t ms);
  // Pumps until `ms` milliseconds have passed since `start` (a tick count).
  void WaitUntil(uint32_t start, int64_t ms) {
    WaitUntil(start, ms, [] { return false; });
  }
  // The same, ending early when `stop` holds after a pass of the pump.
  template <typename Stop>
  void WaitUntil(uint32_t start, int64_t ms, Stop stop) {
    // Elapsed time is measured from the start, so the wrap of the 32-bit tick
    // count never ends a wait early or makes it endless. A wait that is over
    // at once still hands the window its messages: an effect of a million
    // zero-length steps must not shut out the close box.
    for (bool pumped = false;; pumped = true) {
      const int64_t elapsed = static_cast<uint32_t>(pump_.TickCount() - start);
      if (elapsed >= ms) {
        if (!pumped) pump_.ProcessMessages();
        return;
      }
      pump_.WaitMessage(ms - elapsed);
      if (stop()) return;
    }
  }
  // Pumps until `done` holds or a request is pending.
  template <typename Done>
  void PumpUntil(Done done) {
    PumpUntil(done, [] { return Pump::kNoTimeout; });
  }
  // The same, never sleeping longer than `timeout()` milliseconds a pass
  // (Pump::kNoTimeout: as long as nothing happens), so that a wait that ends
  // by itself at a time of its own wakes exactly then.
  template <typename Done, typename Timeout>
  void PumpUntil(Done done, Timeout timeout) {
    while (!done() && !click_.RequestPending()) pump_.WaitMessage(timeout());
  }
  // The two phases of every click wait: until a press, then until its release.
  // A click (or Enter) and a pending request end both; `pressEnds` and
  // `releaseEnds` add the wait's own reasons. With `waitFirst` the pump runs
  // once before the first test.
  template <typename PressEnds, typename ReleaseEnds>
  void PressThenRelease(bool waitFirst, PressEnds pressEnds, ReleaseEnds releaseEnds) {
    PressThenRelease(waitFirst, pressEnds, releaseEnds, [] { return Pump::kNoTimeout; });
  }
  // The same for a wait that may end by itself: `timeout()` as in PumpUntil.
  template <typename PressEnds, typename ReleaseEnds, typename Timeout>
  void PressThenRelease(bool waitFirst, PressEnds pressEnds, ReleaseEnds releaseEnds,
                        Timeout timeout) {
    if (waitFirst) pump_.WaitMessage(timeout());
    PumpUntil([&] { return click_.MouseDownFlag || click_.ClickFlag || pressEnds(); }, timeout);
    PumpUntil([&] { return click_.MouseUpFlag || click_.ClickFlag || releaseEnds(); }, timeout);
  }
  // The click wait of commands and views: the clicks cleared before and
  // after; skipping read text ends the release phase (and the press phase
  // too with `skipEndsPress`).
  void WaitForClick(bool skipEndsPress);

 private:
  Pump& pump_;
  Observer& observer_;
  ClickState& click_;
};

}  // namespace korvana
