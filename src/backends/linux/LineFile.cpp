#include "backends/linux/LineFile.h"

#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>

namespace korvana {
namespace {

// A reader that goes away between the open and the write raises SIGPIPE,
// which would end the program: it is held back for the write and, if it
// came, taken off again, so that nothing else of the process sees it.
class QuietPipe {
 public:
  QuietPipe() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    sigset_t pending;
    sigpending(&pending);
    alreadyPending_ = sigismember(&pending, SIGPIPE) == 1;
    pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
  }
  ~QuietPipe() {
    if (!alreadyPending_) {
      const timespec none{0, 0};
      while (sigtimedwait(&pipe_, nullptr, &none) == SIGPIPE) {
      }
    }
    pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }
  QuietPipe(const QuietPipe&) = delete;
  QuietPipe& operator=(const QuietPipe&) = delete;

 private:
  sigset_t pipe_, old_;
  bool alreadyPending_ = false;
};

}  // namespace

bool LineFile::Append(const std::string& line) {
  if (path_.empty()) return false;
  // O_NONBLOCK: a pipe without a reader fails at once (ENXIO) instead of
  // waiting for one, and a full pipe refuses the write.
  const int fd =
      ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const std::string bytes = line + "\n";
  bool ok = true;
  {
    QuietPipe quiet;
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = false;
        break;
      }
      done += static_cast<size_t>(n);
    }
  }
  ::close(fd);
  return ok;
}

}  // namespace korvana
