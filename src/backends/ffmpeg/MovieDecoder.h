#pragma once
// A movie file read through FFmpeg: its pictures at the size the window
// wants them, and its sound in the mixer's one format. Everything runs on the
// caller's thread, one bounded step per call, so a pump can drive it between
// events without ever waiting on a broken file.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Picture.h"

namespace korvana {

struct MovieFrame {
  int64_t ptsMs = 0;  // when it is shown, from the start of the movie
  Picture picture;    // 0x00RRGGBB, at the size asked for
};

class MovieDecoder {
 public:
  // The sound comes out as interleaved 16-bit stereo at this rate, what the
  // mixer takes.
  static constexpr int kSoundRate = 44100;
  static constexpr int kSoundChannels = 2;

  // Null when the file cannot be played: missing, unreadable, no video
  // stream, a frame size beyond kMaxPictureSide, or no picture decodes. A
  // sound stream that cannot be decoded leaves a silent movie.
  static std::unique_ptr<MovieDecoder> Open(const std::string& utf8Path);
  ~MovieDecoder();
  MovieDecoder(const MovieDecoder&) = delete;
  MovieDecoder& operator=(const MovieDecoder&) = delete;

  int Width() const;
  int Height() const;
  // Frames per second; 0 when the file does not say.
  double FrameRate() const;
  // The whole movie in milliseconds; -1 when the file does not say.
  int64_t DurationMs() const;
  bool HasSound() const;

  // The next picture scaled to width × height (each clamped to
  // 1..kMaxPictureSide). False once the pictures have run out, or when the
  // file stops yielding any.
  bool NextFrame(int width, int height, MovieFrame& frame);
  // Appends the next piece of sound to `samples`. False once the sound has
  // run out, or when there is none.
  bool NextSound(std::vector<int16_t>& samples);

 private:
  struct State;
  explicit MovieDecoder(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace korvana
