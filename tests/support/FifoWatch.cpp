#include "FifoWatch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace korvana::test {

FifoWatch::FifoWatch(std::string path) : path_(std::move(path)) {
  if (::mkfifo(path_.c_str(), 0600) != 0) throw std::runtime_error("mkfifo " + path_);
  writer_ = std::thread([this] {
    for (;;) {
      // Waits here until someone opens the FIFO for reading.
      const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
      if (fd < 0 && errno == EINTR) continue;
      if (fd < 0) return;
      // Counted before the reader can see the byte: a probe that has read
      // it knows that every open before its own is counted.
      if (!probing_.exchange(false)) ++opens_;
      [[maybe_unused]] const ssize_t wrote = ::write(fd, "x", 1);
      ::close(fd);
      if (ending_) return;
      // The same reader must not be paired and counted again.
      while (!ending_ && !probing_) {
        const int again = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (again < 0) break;
        ::close(again);
        ::usleep(1000);
      }
    }
  });
}

void FifoWatch::Probe() {
  probing_ = true;
  for (;;) {
    const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    pollfd wake{fd, POLLIN, 0};
    while (::poll(&wake, 1, -1) < 0 && errno == EINTR) {
    }
    char byte;
    const ssize_t got = ::read(fd, &byte, 1);
    ::close(fd);
    // A writer that only looked in and left is no answer: try again.
    if (got == 1) return;
  }
}

int FifoWatch::Opens() {
  Probe();
  return opens_;
}

FifoWatch::~FifoWatch() {
  ending_ = true;
  Probe();
  writer_.join();
}

}  // namespace korvana::test
