#pragma once
// A sound file decoded a piece at a time, for sounds too long to decode
// whole: an hour of sound is some 600 MB of samples.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvana {

class SoundDecoder {
 public:
  // Frames come as interleaved 16-bit stereo at this rate, the mixer's.
  static constexpr int kRate = 44100;

  virtual ~SoundDecoder() = default;
  // The whole sound in milliseconds; -1 when the file does not say.
  virtual int64_t DurationMs() const = 0;
  // Appends the next piece to `samples`; false once the sound has run out.
  virtual bool NextSound(std::vector<int16_t>& samples) = 0;
};

// Null when the file is no regular file or holds no sound FFmpeg decodes
// (MIDI is not among them).
std::unique_ptr<SoundDecoder> OpenSoundDecoder(const std::string& path);

}  // namespace korvana
