#pragma once
// Time and the message pump: every wait of the story runs this pump and
// re-tests its own end condition after each call.
#include <cstdint>

namespace korvana {

// `$sys[22]` … `$sys[29]` read the calendar through this.
struct LocalTime {
  int second = 0, minute = 0, hour = 0;
  int day = 1, month = 1, yearSince1900 = 100;
  int weekday = 6, yearDay = 0;
};

class Pump {
 public:
  virtual ~Pump() = default;
  // Milliseconds since some fixed start, wrapping at 2^32.
  virtual uint32_t TickCount() = 0;
  // Handles what is pending; never blocks.
  virtual void ProcessMessages() = 0;
  // Handles pending messages, or blocks until the next one arrives or
  // `timeoutMs` milliseconds have passed, whichever is first; kNoTimeout waits
  // for a message only.
  static constexpr int64_t kNoTimeout = -1;
  virtual void WaitMessage(int64_t timeoutMs) = 0;
  // Starts or stops the 100 ms timer that animates the click marker.
  virtual void SetTimer1(bool enabled) = 0;
  // Whether that timer runs (views that stop it give it back its state).
  virtual bool Timer1Enabled() = 0;
  // Whether the timer's ticks change what the window shows: a marker whose
  // frames are all alike does not, and a window may then sleep through
  // them. The timer still counts as running.
  virtual void SetTimer1Visible(bool visible) {}
  virtual LocalTime Now() = 0;
  // Seeds the generator behind `$sys[20]`, `$sys[21]`, `$sys[30]` and
  // `_shake`; the headless platform gives a fixed seed so runs repeat.
  virtual uint32_t RandomSeed() = 0;
};

}  // namespace korvana
