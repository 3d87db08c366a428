#include "backends/PcmWavDecoder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/RegularFile.h"

namespace korvana {
namespace {

constexpr int kChannels = 2;
constexpr int kBytesPerFrame = kChannels * 2;
// What one NextSound call reads: 93 ms.
constexpr size_t kPieceFrames = 4096;

uint32_t Le32(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
}

uint16_t Le16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

// Reads exactly `n` bytes at `offset`; false at the file's end or an error.
bool ReadAt(int fd, int64_t offset, unsigned char* out, size_t n) {
  size_t got = 0;
  while (got < n) {
    const ssize_t r = ::pread(fd, out + got, n - got, static_cast<off_t>(offset + got));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    got += static_cast<size_t>(r);
  }
  return true;
}

// Rounds a / b to the nearest whole number, halves away from zero (a, b > 0).
int64_t RoundedDivision(int64_t a, int64_t b) {
  return (a + b / 2) / b;
}

class PcmWavDecoder : public SoundDecoder {
 public:
  PcmWavDecoder(int fd, int64_t dataStart, int64_t frames)
      : fd_(fd), at_(dataStart), framesLeft_(frames), frames_(frames) {}
  ~PcmWavDecoder() override { ::close(fd_); }
  PcmWavDecoder(const PcmWavDecoder&) = delete;
  PcmWavDecoder& operator=(const PcmWavDecoder&) = delete;

  int64_t DurationMs() const override {
    // As long as the same file is through FFmpeg: frames to microseconds,
    // then to milliseconds, each rounded to the nearest.
    if (frames_ <= 0) return -1;
    return RoundedDivision(RoundedDivision(frames_ * 1000000, kRate), 1000);
  }

  bool NextSound(std::vector<int16_t>& samples) override {
    const size_t frames = static_cast<size_t>(std::min<int64_t>(framesLeft_, kPieceFrames));
    if (frames == 0) return false;
    const size_t at = samples.size();
    samples.resize(at + frames * kChannels);
    unsigned char* bytes = reinterpret_cast<unsigned char*>(samples.data() + at);
    if (!ReadAt(fd_, at_, bytes, frames * kBytesPerFrame)) {
      // Cut short since it was opened: what was there has played.
      samples.resize(at);
      framesLeft_ = 0;
      return false;
    }
    for (size_t i = 0; i < frames * kChannels; ++i)
      samples[at + i] = static_cast<int16_t>(Le16(bytes + 2 * i));
    at_ += static_cast<int64_t>(frames) * kBytesPerFrame;
    framesLeft_ -= static_cast<int64_t>(frames);
    return framesLeft_ > 0;
  }

 private:
  int fd_;
  int64_t at_;
  int64_t framesLeft_;
  int64_t frames_;
};

}  // namespace

std::unique_ptr<SoundDecoder> OpenPcmWavDecoder(const std::string& path) {
  const int fd = OpenRegularFile(path);
  if (fd < 0) return nullptr;
  struct stat st;
  unsigned char head[12];
  if (::fstat(fd, &st) != 0 || !ReadAt(fd, 0, head, sizeof head) ||
      std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) {
    ::close(fd);
    return nullptr;
  }
  const int64_t size = st.st_size;
  bool formatFits = false;
  // The chunks in order: the format first, then the samples; anything else
  // between them is passed over. A chunk of odd size has a pad byte.
  for (int64_t at = 12; at + 8 <= size;) {
    unsigned char chunk[8];
    if (!ReadAt(fd, at, chunk, sizeof chunk)) break;
    const int64_t length = Le32(chunk + 4);
    const int64_t body = at + 8;
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      unsigned char format[16];
      if (length < 16 || !ReadAt(fd, body, format, sizeof format)) break;
      formatFits = Le16(format) == 1 && Le16(format + 2) == kChannels &&
                   Le32(format + 4) == SoundDecoder::kRate &&
                   Le32(format + 8) == SoundDecoder::kRate * kBytesPerFrame &&
                   Le16(format + 12) == kBytesPerFrame && Le16(format + 14) == 16;
      if (!formatFits) break;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      // Samples before a format, a size beyond the file's end or one that is
      // no whole number of frames: FFmpeg's guess about them is the rule.
      if (!formatFits || length == 0 || body + length > size || length % kBytesPerFrame != 0)
        break;
      return std::make_unique<PcmWavDecoder>(fd, body, length / kBytesPerFrame);
    }
    at = body + length + (length & 1);
  }
  ::close(fd);
  return nullptr;
}

}  // namespace korvana
