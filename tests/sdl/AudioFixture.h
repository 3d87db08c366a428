#pragma once
// An SdlAudio on SDL's dummy or disk driver, with its ends run on the test's
// thread as the window runs them on the pump's.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <vector>

#include "QuietSink.h"
#include "SoundFiles.h"
#include "TempDir.h"
#include "backends/sdl/SdlAudio.h"

namespace korvana::test {

// The pump's queue: closures posted from any thread, run by RunUntil.
class PostQueue {
 public:
  void Post(std::function<void()> closure) {
    {
      std::lock_guard guard(lock_);
      closures_.push_back(std::move(closure));
    }
    wake_.notify_all();
  }
  // Runs what is posted until `done` holds; false when nothing has come for
  // ten seconds (a device that never ends a sound).
  bool RunUntil(const std::function<bool()>& done) {
    while (!done()) {
      std::unique_lock guard(lock_);
      if (!wake_.wait_for(guard, std::chrono::seconds(10), [&] { return !closures_.empty(); }))
        return false;
      auto closure = std::move(closures_.front());
      closures_.pop_front();
      guard.unlock();
      closure();
    }
    return true;
  }

 private:
  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<std::function<void()>> closures_;
};

class EndLog : public QuietSink {
 public:
  void OnAudioEnded(AudioChannel channel) override { ends.push_back(channel); }
  int Count(AudioChannel channel) const {
    return static_cast<int>(std::count(ends.begin(), ends.end(), channel));
  }
  std::vector<AudioChannel> ends;
};

class AudioTest : public ::testing::Test {
 protected:
  // `driver` is SDL's audio driver: "dummy" plays in real time into nothing,
  // "disk" writes what the mixer makes to a file, a few times faster than
  // real time.
  void Start(const char* driver, SdlAudio::DiscOpener openDisc = {}) {
    setenv("SDL_AUDIODRIVER", driver, 1);
    setenv("SDL_DISKAUDIOFILE", recording_.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "5", 1);
    audio.reset();
    log.ends.clear();
    audio = std::make_unique<SdlAudio>([this](auto closure) { queue.Post(std::move(closure)); },
                                       std::move(openDisc));
    audio->SetSink(&log);
  }
  bool WaitForEnd(AudioChannel channel) {
    return queue.RunUntil([&] { return log.Count(channel) > 0; });
  }
  // Closes the device and returns every frame it was given.
  std::vector<int16_t> Recorded() {
    audio.reset();
    std::ifstream in(recording_, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> frames(bytes.size() / 2);
    std::memcpy(frames.data(), bytes.data(), frames.size() * 2);
    return frames;
  }
  std::string Wav(const char* name, int64_t ms, int amplitude = 12000) {
    return dir.Write(name, WavBytes(Tone(ms, 440, amplitude)));
  }

  TempDir dir;
  PostQueue queue;
  EndLog log;
  std::unique_ptr<SdlAudio> audio;

 private:
  std::string recording_ = dir.str() + "/recording.raw";
};

}  // namespace korvana::test
