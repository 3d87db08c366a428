#pragma once
// FFmpeg is reached through a module loaded on first use
// (libkorvana_ffmpeg.so, built from module/): FFmpeg brings about a hundred
// libraries, and linking them when the program starts cost it some 30 ms
// before its first frame, for movies and sound lengths it may never need.
// The module exports one C function that returns its door.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "backends/ffmpeg/MovieDecoder.h"
#include "platform/SoundDecoder.h"

namespace korvana::ffmpeg {

// A movie the module opened: MovieDecoder's calls, one for one.
class Movie {
 public:
  virtual ~Movie() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual double FrameRate() const = 0;
  virtual int64_t DurationMs() const = 0;
  virtual bool HasSound() const = 0;
  // `frame.picture` comes at the size wanted (1..kMaxPictureSide each way).
  virtual bool NextFrame(MovieFrame& frame) = 0;
  virtual bool NextSound(std::vector<int16_t>& samples) = 0;
};

struct Door {
  // Milliseconds a sound or movie file plays; -1 when nothing in it decodes
  // or, with `needVideo`, it has no picture.
  int64_t (*lengthMs)(const std::string& path, bool needVideo);
  // Null when the file cannot be played (the cases of MovieDecoder::Open).
  std::unique_ptr<Movie> (*openMovie)(const std::string& utf8Path);
  // Null when no sound in the file can be decoded.
  std::unique_ptr<SoundDecoder> (*openSound)(const std::string& utf8Path);
};

// The module's door, loaded at the first call; null when the module cannot
// be loaded, and then no file decodes.
const Door* OpenDoor();

// `Door::lengthMs`, or -1 without the module.
int64_t LengthMs(const std::string& path, bool needVideo);

}  // namespace korvana::ffmpeg

// The module's one export.
extern "C" const korvana::ffmpeg::Door* korvana_ffmpeg_door();
