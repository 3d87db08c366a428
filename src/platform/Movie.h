#pragma once
// Movies over the window. The end is reported through
// InputSink::OnMovieEnded on the pump's thread.
#include <string>

namespace korvana {

class Movie {
 public:
  virtual ~Movie() = default;
  // Starts `path` (UTF-8, resolved) in the window's picture rectangle
  // (x, y, w, h in picture pixels); false when it cannot be played.
  virtual bool Play(const std::string& path, int x, int y, int w, int h) = 0;
  virtual void Stop() = 0;
};

}  // namespace korvana
