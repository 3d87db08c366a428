#pragma once
// Movies in the window. Decoding runs on the pump's thread, a few steps per
// timer tick, so a story waiting in the pump keeps hearing clicks. Pictures
// follow the sound actually heard when there is sound, the wall clock
// otherwise.
#include <QElapsedTimer>
#include <QObject>
#include <QRect>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "MovieSound.h"
#include "backends/ffmpeg/MovieDecoder.h"

namespace korvana {

class MainWindow;

class QtMovie : public QObject {
  Q_OBJECT

 public:
  QtMovie();
  ~QtMovie() override;
  void Attach(MainWindow* window);

  // Movie::Play and Movie::Stop of the window's platform.
  bool Play(const std::string& path, int x, int y, int w, int h);
  void Stop();
  bool Playing() const { return decoder_ != nullptr; }

  // One step of playback: sound topped up, the frame that is due shown, the
  // end noticed. The timer calls it; tests call it after moving their clock.
  void Tick();

  // Called once a movie has played to its end, after the picture is back.
  std::function<void()> onEnded;
  // Where the sound goes; none: the movie runs silent on the wall clock.
  std::function<std::unique_ptr<MovieSound>()> makeSound;
  // Milliseconds of a monotonic clock; tests move their own.
  std::function<int64_t()> wallClock;

 private:
  int64_t Now();
  bool SoundIsTheClock() const;
  void FeedSound();
  void DropSound();
  void ShowDueFrame(int64_t now);
  bool Finished(int64_t now) const;
  QSize DecodeSize() const;

  MainWindow* window_ = nullptr;
  QTimer timer_;
  QElapsedTimer elapsed_;
  std::unique_ptr<MovieDecoder> decoder_;
  std::unique_ptr<MovieSound> sound_;
  QRect rect_;          // picture pixels; empty when nothing is drawn
  MovieFrame current_;  // on screen
  MovieFrame next_;     // decoded, waiting for its time
  bool pictureEnded_ = false;
  int64_t pictureEndMs_ = 0;
  // Decoded sound the mixer had no room for yet.
  std::vector<int16_t> pending_;
  size_t pendingAt_ = 0;
  bool soundEnded_ = false;
  int64_t pushedFrames_ = 0;
  // The movie's clock: from the wall since `wallOrigin_` while the sound
  // does not drive it, and never going back.
  int64_t wallOrigin_ = 0;
  int64_t lastMs_ = 0;
  bool soundDrove_ = false;
  // When the mixer last took sound, to notice one that has stopped.
  int64_t lastPlayed_ = 0;
  int64_t lastPlayedWall_ = 0;
};

}  // namespace korvana
