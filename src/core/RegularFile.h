#pragma once
// Opening a file that a game names, for reading, when it is an ordinary file
// and nothing else. A FIFO blocks its reader's open until a writer comes, and
// a device may do anything at all when opened; a game folder can hold either
// under a sound's or a movie's name, and the one thread of the story must
// never wait on them. Header-only so that the FFmpeg module, which links
// nothing of the engine, opens its files the same way.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace korvana {

// A descriptor open for reading on `path` (UTF-8), positioned at its start;
// -1 when it cannot be opened or is no regular file (a FIFO, a device, a
// folder, a link that leads to one of them or nowhere).
inline int OpenRegularFile(const std::string& path) {
  struct stat st;
  // Looked at first so that a device is never opened at all ...
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  // ... and without blocking, with the kind checked again on what was
  // opened, in case the name was changed to a FIFO between the two.
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || flags < 0 ||
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace korvana
