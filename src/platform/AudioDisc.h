#pragma once
// An audio disc as the CD channel plays it: its table of contents and its
// sectors. The disc reader (backends/cdio) implements it, the mixer back end
// (backends/sdl) plays from it, and the host hands one to the other, since
// back ends do not know each other.
#include <cstdint>
#include <vector>

namespace korvana {

class AudioDisc {
 public:
  // Red Book audio: 75 sectors a second, each 588 stereo 16-bit frames at
  // 44100 Hz.
  static constexpr int kSectorsPerSecond = 75;
  static constexpr int kFramesPerSector = 588;

  struct Track {
    int number = 0;
    // Logical sector number of the first sector, and the track's sectors.
    int64_t firstSector = 0;
    int64_t sectors = 0;
  };

  virtual ~AudioDisc() = default;
  // The audio tracks, in disc order. Read once when the disc is opened, so
  // any thread may look at them.
  virtual const std::vector<Track>& Tracks() const = 0;
  // Moves the read position to `sector`; the reading calls below come from
  // one thread at a time.
  virtual bool Seek(int64_t sector) = 0;
  // Reads the next sector into `frames` (kFramesPerSector interleaved stereo
  // frames in host byte order); false when the disc cannot be read there.
  virtual bool ReadSector(int16_t* frames) = 0;

  static int64_t SectorsToMs(int64_t sectors) { return sectors * 1000 / kSectorsPerSecond; }
  static int64_t MsToSectors(int64_t ms) { return ms * kSectorsPerSecond / 1000; }
};

}  // namespace korvana
