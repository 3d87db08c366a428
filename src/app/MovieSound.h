#pragma once
// Where a movie's sound goes: a mixer channel in the program, a recording in
// the tests. The player pushes from the pump's thread and reads back how much
// has been heard, which is the clock its pictures follow.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace korvana {

class MovieSound {
 public:
  virtual ~MovieSound() = default;
  // False when there is no device to play on; the movie then runs silent on
  // the wall clock.
  virtual bool Start() = 0;
  // Queues up to `count` interleaved 16-bit stereo frames at 44100 Hz;
  // returns how many were taken. Never blocks.
  virtual size_t Push(const int16_t* frames, size_t count) = 0;
  // Frames heard since Start.
  virtual int64_t PlayedFrames() const = 0;
  virtual void Stop() = 0;
};

class SdlAudio;

// The sound of movies in the program: the movie channel of `audio`'s mixer.
std::unique_ptr<MovieSound> MakeMixerMovieSound(SdlAudio& audio);

}  // namespace korvana
