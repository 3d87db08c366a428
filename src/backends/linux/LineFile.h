#pragma once
// Text out to a file or a named pipe: one line appended per page. A pipe
// that nobody reads must never hold the game up, so each line opens the
// path without blocking and is dropped when no reader is there or the pipe
// is full; the next line tries again.
#include <string>

namespace korvana {

class LineFile {
 public:
  explicit LineFile(std::string path) : path_(std::move(path)) {}
  // Appends `line` and a line feed; false when it was dropped (no reader on
  // a pipe, a full pipe, a path that cannot be written).
  bool Append(const std::string& line);
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace korvana
