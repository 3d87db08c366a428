#pragma once
// The MP3 playback library of BGM mode 2, with the call contract the music
// channel relies on: open, an end-of-play callback whose first value is 4,
// play, stop, close and an option record of four integers. It plays through
// the music channel's device, so it needs no player of its own.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/Audio.h"

namespace korvana {

class Mp3Library {
 public:
  using Callback = std::function<void(int32_t status, int32_t value)>;
  // The end-of-play status the callback receives.
  static constexpr int32_t kFinished = 4;

  explicit Mp3Library(Audio& audio) : audio_(audio) {}

  void vbmp3_init() { options_ = {0, 0, 0, 0}; }
  void vbmp3_getVbmp3Option(std::array<int32_t, 4>& options) const { options = options_; }
  // Field 3 carries the `MP3Timing` value; the others are kept as given.
  void vbmp3_setVbmp3Option(const std::array<int32_t, 4>& options) { options_ = options; }
  // Non-zero when the file opened.
  int vbmp3_open(const std::string& path) {
    if (!audio_.Open(AudioChannel::Music, path)) return 0;
    path_ = path;
    return 1;
  }
  void vbmp3_callback(Callback callback) { callback_ = std::move(callback); }
  void vbmp3_play() { audio_.Play(AudioChannel::Music, path_, 0, 0); }
  void vbmp3_stop() { audio_.Stop(AudioChannel::Music); }
  void vbmp3_close() {
    audio_.Close(AudioChannel::Music);
    path_.clear();
  }
  void vbmp3_free() { vbmp3_close(); }

  // The device reported the end of the file.
  void Ended() {
    if (callback_) callback_(kFinished, 0);
  }

 private:
  Audio& audio_;
  std::array<int32_t, 4> options_{};
  std::string path_;
  Callback callback_;
};

}  // namespace korvana
