#pragma once
// A thread that feeds a MixerStream from a source that may be slow (a disc
// drive) or long (a sound of an hour, which decoded whole would take a
// gigabyte): the mixer channel plays while the source is read, a second
// ahead at most.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "backends/sdl/MixerStream.h"

namespace korvana {

class StreamFeed {
 public:
  // Appends the next interleaved stereo frames to `out`; false when there
  // are no more (what it appended still plays). Runs on the feed's thread.
  using Source = std::function<bool(std::vector<int16_t>& out)>;

  explicit StreamFeed(int mixerChannel) : stream_(mixerChannel) {}
  ~StreamFeed() { Stop(); }
  StreamFeed(const StreamFeed&) = delete;
  StreamFeed& operator=(const StreamFeed&) = delete;

  // Stops what plays, then reads `leadFrames` from `source` before the
  // channel starts (a drive slow to spin up is heard as a later start, not
  // as a stutter) and feeds the rest as room appears. `ended` runs on the
  // feed's thread once the mixer has taken the last frame, or when the
  // channel cannot start; never after Stop.
  void Start(Source source, size_t leadFrames, std::function<void()> ended);
  // Stops the channel and the thread; no `ended` follows.
  void Stop();

 private:
  void Feed(const Source& source, size_t leadFrames, const std::function<void()>& ended);
  // Sleeps up to `ms`; false when told to stop meanwhile.
  bool Rest(int64_t ms);

  MixerStream stream_;
  std::thread thread_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::atomic<bool> stop_ = false;
};

}  // namespace korvana
