#include "text/Waits.h"

#include <cstdlib>

namespace korvana {

void Waits::WaitUntil(uint32_t start, int64_t ms) {
  // Elapsed time is measured from the start, so the wrap of the 32-bit tick
  // count never ends a wait early or makes it endless.
  for (;;) {
    const int64_t elapsed = static_cast<uint32_t>(platform_.TickCount() - start);
    if (elapsed >= ms) return;
    platform_.WaitMessage(ms - elapsed);
  }
}

void Waits::TimedWait(int32_t ms) {
  click_.ClickEnabled = false;
  WaitUntil(platform_.TickCount(), std::llabs(static_cast<int64_t>(ms)));
  click_.ClickEnabled = true;
}

void Waits::WaitForClick(bool skipEndsPress) {
  click_.ClearClicks();
  platform_.ClickWaitStarted();
  PumpUntil(
      [&] { return click_.MouseDownFlag || click_.ClickFlag || (skipEndsPress && Skipping()); });
  PumpUntil([&] { return click_.MouseUpFlag || click_.ClickFlag || Skipping(); });
  click_.ClearClicks();
}

}  // namespace korvana
