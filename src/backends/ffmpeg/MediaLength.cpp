#include "platform/MediaLength.h"

#include <algorithm>
#include <cerrno>
#include <map>
#include <vector>

#include "backends/PcmWavDecoder.h"
#include "backends/ffmpeg/FfmpegDoor.h"
#include "core/RegularFile.h"
#include "platform/SoundDecoder.h"

namespace korvana {
namespace {

// A standard MIDI file's playing time: the last event's tick, timed through
// every tempo change of every track. FFmpeg has no MIDI decoder, and the
// synthesizer's own tail of fading notes is no part of the song.
class MidiTimer {
 public:
  explicit MidiTimer(const std::vector<unsigned char>& d) : d_(d) {}

  int64_t LengthMs() {
    if (d_.size() < 14 || !Tag(0, "MThd") || Be32(4) < 6) return -1;
    const int division = Be16(12);
    if (division == 0) return -1;
    size_t at = 8 + Be32(4);
    // The header's track count may be anything; the chunks that are really
    // there decide.
    bool anyTrack = false;
    while (at + 8 <= d_.size()) {
      const size_t length = Be32(at + 4);
      const size_t begin = at + 8;
      const size_t end = begin + std::min(length, d_.size() - begin);
      if (Tag(at, "MTrk")) {
        anyTrack = true;
        ReadTrack(begin, end);
      }
      at = end;
    }
    if (!anyTrack) return -1;
    if (division & 0x8000) {
      // Frames per second times ticks per frame: time needs no tempo.
      const int fps = -static_cast<signed char>(division >> 8);
      const int perFrame = division & 0xff;
      if (fps <= 0 || perFrame == 0) return -1;
      return lastTick_ * 1000 / (static_cast<int64_t>(fps) * perFrame);
    }
    // Microseconds per quarter note, 120 beats a minute until told otherwise.
    double us = 0;
    int64_t tick = 0;
    int64_t tempo = 500000;
    for (const auto& [at, next] : tempos_) {
      if (at >= lastTick_) break;
      us += static_cast<double>(at - tick) * static_cast<double>(tempo) / division;
      tick = at;
      tempo = next;
    }
    us += static_cast<double>(lastTick_ - tick) * static_cast<double>(tempo) / division;
    return static_cast<int64_t>(us / 1000.0);
  }

 private:
  bool Tag(size_t at, const char* tag) const {
    return at + 4 <= d_.size() && std::equal(tag, tag + 4, d_.begin() + static_cast<long>(at));
  }
  size_t Be32(size_t at) const {
    return at + 4 > d_.size() ? 0
                              : (size_t{d_[at]} << 24) | (size_t{d_[at + 1]} << 16) |
                                    (size_t{d_[at + 2]} << 8) | d_[at + 3];
  }
  int Be16(size_t at) const { return (d_[at] << 8) | d_[at + 1]; }

  // A variable-length quantity; false past the end.
  bool Vlq(size_t& at, size_t end, int64_t& value) const {
    value = 0;
    for (int i = 0; i < 4; ++i) {
      if (at >= end) return false;
      const unsigned char b = d_[at++];
      value = (value << 7) | (b & 0x7f);
      if (!(b & 0x80)) return true;
    }
    return false;
  }

  void ReadTrack(size_t at, size_t end) {
    int64_t tick = 0;
    unsigned char status = 0;
    while (at < end) {
      int64_t delta = 0;
      if (!Vlq(at, end, delta) || at >= end) return;
      tick += delta;
      unsigned char b = d_[at];
      if (b & 0x80) {
        ++at;
        status = b;
      } else if (status == 0) {
        return;  // data with no status to run on: the track is damaged
      }
      if (status == 0xff) {
        if (at >= end) return;
        const unsigned char type = d_[at++];
        int64_t length = 0;
        if (!Vlq(at, end, length) || length > static_cast<int64_t>(end - at)) return;
        if (type == 0x51 && length == 3)
          tempos_[tick] = (d_[at] << 16) | (d_[at + 1] << 8) | d_[at + 2];
        at += static_cast<size_t>(length);
        lastTick_ = std::max(lastTick_, tick);
        if (type == 0x2f) return;
        status = 0;
      } else if (status == 0xf0 || status == 0xf7) {
        int64_t length = 0;
        if (!Vlq(at, end, length) || length > static_cast<int64_t>(end - at)) return;
        at += static_cast<size_t>(length);
        status = 0;
      } else {
        const int kind = status & 0xf0;
        at += (kind == 0xc0 || kind == 0xd0) ? 1 : 2;
        if (at > end) return;
        lastTick_ = std::max(lastTick_, tick);
      }
    }
  }

  const std::vector<unsigned char>& d_;
  std::map<int64_t, int64_t> tempos_;
  int64_t lastTick_ = 0;
};

bool ReadHead(const std::string& path, std::vector<unsigned char>& out, size_t limit) {
  const int fd = OpenRegularFile(path);
  if (fd < 0) return false;
  out.resize(limit);
  size_t got = 0;
  while (got < limit) {
    const ssize_t n = ::read(fd, out.data() + got, limit - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  out.resize(got);
  return true;
}

}  // namespace

int64_t MediaLengthMs(const std::string& path) {
  // A song is small; a file much larger than any MIDI file is no MIDI file.
  constexpr size_t kMidiLimit = 16 << 20;
  std::vector<unsigned char> head;
  if (!ReadHead(path, head, 4)) return -1;
  if (head.size() == 4 && std::equal(head.begin(), head.end(), "MThd")) {
    if (!ReadHead(path, head, kMidiLimit)) return -1;
    return MidiTimer(head).LengthMs();
  }
  return ffmpeg::LengthMs(path, false);
}

int64_t MovieLengthMs(const std::string& path) {
  return ffmpeg::LengthMs(path, true);
}

std::unique_ptr<SoundDecoder> OpenSoundDecoder(const std::string& path) {
  // A file in the mixer's own format is read as it is, without the module.
  if (auto wav = OpenPcmWavDecoder(path)) return wav;
  const ffmpeg::Door* door = ffmpeg::OpenDoor();
  return door ? door->openSound(path) : nullptr;
}

}  // namespace korvana
