#include "FifoWatch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace korvana::test {

FifoWatch::FifoWatch(std::string path) : path_(std::move(path)) {
  if (::mkfifo(path_.c_str(), 0600) != 0) throw std::runtime_error("mkfifo " + path_);
  writer_ = std::thread([this] {
    writerTask_ = static_cast<int>(::gettid());
    for (;;) {
      // Waits here until someone opens the FIFO for reading.
      const int fd = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
      if (fd < 0 && errno == EINTR) continue;
      if (fd < 0 || ending_) {
        if (fd >= 0) ::close(fd);
        return;
      }
      ++opens_;
      [[maybe_unused]] const ssize_t wrote = ::write(fd, "x", 1);
      ::close(fd);
      // The same reader must not be paired and counted again.
      while (!ending_) {
        const int again = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (again < 0) break;
        ::close(again);
        ::usleep(1000);
      }
    }
  });
}

int FifoWatch::Opens() const {
  // Settled once the writer waits in its blocking open again: every open
  // before this call has been paired with it and counted by then.
  for (;;) {
    if (const int task = writerTask_) {
      std::ifstream in("/proc/self/task/" + std::to_string(task) + "/syscall");
      std::string call, folder, name, flags;
      in >> call >> folder >> name >> flags;
      if (call == std::to_string(SYS_openat) &&
          (std::strtoul(flags.c_str(), nullptr, 16) & O_NONBLOCK) == 0)
        return opens_;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

FifoWatch::~FifoWatch() {
  ending_ = true;
  // A reader of our own lets the writer out of its open; it sees `ending_`.
  const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  writer_.join();
  if (fd >= 0) ::close(fd);
}

}  // namespace korvana::test
