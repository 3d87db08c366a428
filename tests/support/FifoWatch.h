#pragma once
// A FIFO that counts who opened it for reading. A reader's open of a FIFO
// waits for a writer; the watcher is that writer, so a program that opens
// the FIFO is let go at once (and reads an empty file) instead of hanging
// the test, and the count tells that it opened what it must not.
#include <atomic>
#include <string>
#include <thread>

namespace korvana::test {

class FifoWatch {
 public:
  // Makes the FIFO at `path`, whose folder must exist.
  explicit FifoWatch(std::string path);
  // Lets the writer go and joins it.
  ~FifoWatch();
  FifoWatch(const FifoWatch&) = delete;
  FifoWatch& operator=(const FifoWatch&) = delete;

  const std::string& path() const { return path_; }
  // Opens by others so far, each counted once its writer is done with it.
  int Opens() const;

 private:
  std::string path_;
  std::atomic<bool> ending_ = false;
  std::atomic<int> opens_ = 0;
  // The writer's thread id, for what it waits in.
  std::atomic<int> writerTask_ = 0;
  std::thread writer_;
};

}  // namespace korvana::test
