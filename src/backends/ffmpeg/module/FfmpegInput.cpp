#include "backends/ffmpeg/module/FfmpegInput.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/RegularFile.h"

namespace korvana {
namespace {

constexpr int kBufferSize = 32768;

int ReadFile(void* opaque, uint8_t* buffer, int size) {
  const int fd = *static_cast<int*>(opaque);
  for (;;) {
    const ssize_t got = ::read(fd, buffer, static_cast<size_t>(size));
    if (got > 0) return static_cast<int>(got);
    if (got == 0) return AVERROR_EOF;
    if (errno != EINTR) return AVERROR(errno);
  }
}

int64_t SeekFile(void* opaque, int64_t offset, int whence) {
  const int fd = *static_cast<int*>(opaque);
  if (whence & AVSEEK_SIZE) {
    struct stat st;
    return ::fstat(fd, &st) == 0 ? st.st_size : AVERROR(errno);
  }
  const off_t at = ::lseek(fd, offset, whence & ~AVSEEK_FORCE);
  return at < 0 ? AVERROR(errno) : at;
}

// Playlists and references inside a file would have FFmpeg open other files
// or addresses by names the file chooses; the formats a game plays need none.
int RefuseOtherFiles(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
  return AVERROR(EPERM);
}

void FreeIo(AVIOContext* io) {
  if (!io) return;
  auto* fd = static_cast<int*>(io->opaque);
  ::close(*fd);
  delete fd;
  av_freep(&io->buffer);
  avio_context_free(&io);
}

}  // namespace

void InputClose::operator()(AVFormatContext* format) const {
  AVIOContext* io = format->pb;
  avformat_close_input(&format);
  FreeIo(io);
}

InputPtr OpenInput(const std::string& path) {
  const int fd = OpenRegularFile(path);
  if (fd < 0) return nullptr;
  auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferSize));
  auto* opaque = new int(fd);
  AVIOContext* io =
      buffer ? avio_alloc_context(buffer, kBufferSize, 0, opaque, ReadFile, nullptr, SeekFile)
             : nullptr;
  if (!io) {
    av_free(buffer);
    ::close(fd);
    delete opaque;
    return nullptr;
  }
  AVFormatContext* format = avformat_alloc_context();
  if (!format) {
    FreeIo(io);
    return nullptr;
  }
  format->pb = io;
  format->io_open = RefuseOtherFiles;
  // On failure FFmpeg frees the context but leaves our reader to us.
  if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
    FreeIo(io);
    return nullptr;
  }
  return InputPtr(format);
}

}  // namespace korvana
