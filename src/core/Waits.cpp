#include "core/Waits.h"

#include <cstdlib>

namespace korvana {

void Waits::TimedWait(int32_t ms) {
  click_.ClickEnabled = false;
  WaitUntil(pump_.TickCount(), std::llabs(static_cast<int64_t>(ms)));
  click_.ClickEnabled = true;
}

void Waits::WaitForClick(bool skipEndsPress) {
  click_.ClearClicks();
  observer_.ClickWaitStarted();
  PressThenRelease(
      false, [&] { return skipEndsPress && click_.SkippingRead(); },
      [&] { return click_.SkippingRead(); });
  click_.ClearClicks();
}

}  // namespace korvana
