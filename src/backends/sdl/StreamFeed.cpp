#include "backends/sdl/StreamFeed.h"

#include <chrono>

namespace korvana {
namespace {

constexpr size_t kStereo = 2;
constexpr int64_t kShortestPlayMs = 20;

}  // namespace

void StreamFeed::Start(Source source, size_t leadFrames, std::function<void()> ended) {
  Stop();
  stop_ = false;
  thread_ = std::thread([this, source = std::move(source), leadFrames,
                         ended = std::move(ended)] { Feed(source, leadFrames, ended); });
}

void StreamFeed::Feed(const Source& source, size_t leadFrames,
                      const std::function<void()>& ended) {
  std::vector<int16_t> pending;
  bool more = true;
  while (more && pending.size() / kStereo < leadFrames && !stop_) more = source(pending);
  if (stop_) return;
  if (!stream_.Start()) {
    ended();
    return;
  }
  const auto started = std::chrono::steady_clock::now();
  size_t at = 0;  // frames of `pending` already pushed
  for (;;) {
    const size_t frames = pending.size() / kStereo;
    if (at < frames) {
      at += stream_.Push(pending.data() + at * kStereo, frames - at);
      // A tenth of the queue: refilled long before the mixer runs dry.
      if (at < frames && !Rest(100)) return;
      continue;
    }
    pending.clear();
    at = 0;
    if (!more || stop_) break;
    more = source(pending);
  }
  // The end is when the mixer has taken the last frame, not when it is read.
  while (const size_t queued = stream_.Queued())
    if (!Rest(1 + static_cast<int64_t>(queued) * 1000 / MixerStream::kRate)) return;
  // A play lasts a mix at least, as a chunk's does: an endless repeat of a
  // file that decodes to nothing must not come back at once, again and again.
  const auto shortest = started + std::chrono::milliseconds(kShortestPlayMs);
  const auto now = std::chrono::steady_clock::now();
  if (now < shortest &&
      !Rest(std::chrono::duration_cast<std::chrono::milliseconds>(shortest - now).count() + 1))
    return;
  if (!stop_) ended();
}

bool StreamFeed::Rest(int64_t ms) {
  std::unique_lock lock(lock_);
  return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
}

void StreamFeed::Stop() {
  if (thread_.joinable()) {
    {
      std::lock_guard lock(lock_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  stream_.Stop();
}

}  // namespace korvana
