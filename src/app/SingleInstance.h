#pragma once
// One running copy per user: a lock on a file that the system releases when
// the process ends, however it ends.
#include <string>

namespace korvana {

class SingleInstance {
 public:
  // `lockPath` empty: the default place ($XDG_RUNTIME_DIR or /tmp).
  explicit SingleInstance(std::string lockPath = {});
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when this process now holds the lock; false when another copy does.
  bool Acquire();
  const std::string& path() const { return path_; }

  static std::string DefaultPath();

 private:
  std::string path_;
  int fd_ = -1;
};

}  // namespace korvana
