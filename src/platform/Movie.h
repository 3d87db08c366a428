#pragma once
// Movies over the window. The end is reported through
// InputSink::OnMovieEnded on the pump's thread; a click on the window is
// reported as a click, and the story then stops the movie.
#include <string>

namespace korvana {

class Movie {
 public:
  virtual ~Movie() = default;
  // Starts `path` (UTF-8, resolved) in the rectangle x, y, w, h of the
  // picture, in picture pixels, scaled as the window scales the picture; the
  // main picture is hidden while it plays. False when it cannot be played
  // (no such file, no video stream, a frame size no decoder takes).
  virtual bool Play(const std::string& path, int x, int y, int w, int h) = 0;
  // Ends the movie and shows the main picture again.
  virtual void Stop() = 0;
};

}  // namespace korvana
