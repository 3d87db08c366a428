#pragma once
// The local message pumps every wait of the story runs.
#include <cstdint>

#include "platform/Platform.h"
#include "text/ClickState.h"

namespace korvana {

class Waits {
 public:
  Waits(Platform& platform, ClickState& click, const int32_t& pendingRequest,
        const int32_t& currentTextId)
      : platform_(platform),
        click_(click),
        pendingRequest_(pendingRequest),
        currentTextId_(currentTextId) {}

  // Waits |ms| milliseconds; clicks do not end it.
  void TimedWait(int32_t ms);
  // Pumps until `ms` milliseconds have passed since `start` (a tick count).
  void WaitUntil(uint32_t start, int64_t ms);
  // Pumps until `done` holds or a load or title request is pending.
  template <typename Done>
  void PumpUntil(Done done) {
    while (!done() && pendingRequest_ == 0) platform_.WaitMessage(Platform::kNoTimeout);
  }
  // A press and a release (or Enter) during the wait or a pending request end
  // it; so does skipping over read text (for the press too when
  // `skipEndsPress`).
  void WaitForClick(bool skipEndsPress);

 private:
  bool Skipping() const { return click_.SkipReadMode && currentTextId_ >= 0; }

  Platform& platform_;
  ClickState& click_;
  const int32_t& pendingRequest_;
  const int32_t& currentTextId_;
};

}  // namespace korvana
