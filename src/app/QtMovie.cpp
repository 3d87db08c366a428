#include "QtMovie.h"

#include <QImage>
#include <algorithm>

#include "MainWindow.h"
#include "core/ScreenSize.h"

namespace korvana {
namespace {

// Finer than any movie's frame interval, coarse enough to cost nothing.
constexpr int kTickMs = 5;
// Sound queued ahead of what is heard: enough to ride over a busy pump, and
// little enough that few pictures wait behind it in the decoder.
constexpr int64_t kSoundAheadFrames = MovieDecoder::kSoundRate / 4;
// How long sound may wait in the mixer's queue untaken before the mixer is
// taken to have stopped.
constexpr int64_t kMixerStallMs = 500;
// Work done in one tick at most, before the pump gets its turn: late frames
// are decoded and skipped a few at a time.
constexpr int kMaxFramesPerTick = 4;
constexpr int kMaxSoundPiecesPerTick = 16;

int64_t FramesToMs(int64_t frames) {
  return frames * 1000 / MovieDecoder::kSoundRate;
}

}  // namespace

QtMovie::QtMovie() {
  elapsed_.start();
  wallClock = [this] { return elapsed_.elapsed(); };
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(kTickMs);
  connect(&timer_, &QTimer::timeout, this, &QtMovie::Tick);
}

QtMovie::~QtMovie() {
  if (sound_) sound_->Stop();
}

void QtMovie::Attach(MainWindow* window) {
  if (!window) {
    // The window is going: the movie goes with it, without touching it.
    window_ = nullptr;
    Stop();
  }
  window_ = window;
}

QSize QtMovie::DecodeSize() const {
  const QRect picture(0, 0, kScreenWidth, kScreenHeight);
  if (!window_ || (rect_ & picture).isEmpty()) return QSize(1, 1);
  // At the window's scale, so that the decoder's filter does the
  // enlarging. Only the part inside the picture is ever seen, so a larger
  // rectangle is decoded at most at the picture's size and stretched.
  const int k = window_->PictureScale();
  return QSize(std::min(rect_.width(), kScreenWidth) * k,
               std::min(rect_.height(), kScreenHeight) * k);
}

bool QtMovie::Play(const std::string& path, int x, int y, int w, int h) {
  Stop();
  if (!window_) return false;
  decoder_ = MovieDecoder::Open(path);
  if (!decoder_) return false;
  // A rectangle reaching far outside the picture is cut back to where its
  // window coordinates cannot overflow.
  constexpr int kFar = 1 << 15;
  x = std::clamp(x, -kFar, kFar);
  y = std::clamp(y, -kFar, kFar);
  w = std::min(w, 2 * kFar);
  h = std::min(h, 2 * kFar);
  rect_ = w > 0 && h > 0 ? QRect(x, y, w, h) : QRect();
  const QSize size = DecodeSize();
  if (!decoder_->NextFrame(size.width(), size.height(), next_)) {
    decoder_.reset();
    return false;
  }
  pictureEnded_ = false;
  pictureEndMs_ = 0;
  if (decoder_->HasSound() && makeSound) sound_ = makeSound();
  if (sound_ && !sound_->Start()) sound_.reset();
  soundEnded_ = !sound_;
  wallOrigin_ = wallClock();
  lastPlayed_ = 0;
  lastPlayedWall_ = wallOrigin_;
  lastMs_ = 0;
  soundDrove_ = false;
  window_->ShowMovie(QImage(), rect_);
  timer_.start();
  Tick();
  return true;
}

void QtMovie::Stop() {
  timer_.stop();
  DropSound();
  decoder_.reset();
  if (window_) window_->HideMovie();
}

void QtMovie::Tick() {
  if (!decoder_) return;
  FeedSound();
  const int64_t now = Now();
  ShowDueFrame(now);
  if (!Finished(now)) return;
  Stop();
  if (onEnded) onEnded();
}

bool QtMovie::SoundIsTheClock() const {
  return sound_ &&
         !(soundEnded_ && pendingAt_ == pending_.size() && sound_->PlayedFrames() >= pushedFrames_);
}

int64_t QtMovie::Now() {
  const int64_t wall = wallClock();
  if (SoundIsTheClock()) {
    const int64_t played = sound_->PlayedFrames();
    // A queue we let run dry (a busy pump) is no fault of the mixer's.
    if (played != lastPlayed_ || played >= pushedFrames_) {
      lastPlayed_ = played;
      lastPlayedWall_ = wall;
    }
    if (wall - lastPlayedWall_ <= kMixerStallMs) {
      soundDrove_ = true;
      return lastMs_ = std::max(lastMs_, FramesToMs(played));
    }
    // The mixer has stopped taking sound; waiting for it would freeze the
    // pictures, so the movie goes on silent.
    DropSound();
  }
  // Once the sound is all heard or given up, the wall goes on from there.
  if (soundDrove_) {
    if (sound_) lastMs_ = std::max(lastMs_, FramesToMs(sound_->PlayedFrames()));
    wallOrigin_ = wall - lastMs_;
    soundDrove_ = false;
  }
  return lastMs_ = std::max(lastMs_, wall - wallOrigin_);
}

void QtMovie::DropSound() {
  if (sound_) sound_->Stop();
  sound_.reset();
  soundEnded_ = true;
  pending_.clear();
  pendingAt_ = 0;
  pushedFrames_ = 0;
}

void QtMovie::FeedSound() {
  if (!sound_) return;
  for (int piece = 0; piece < kMaxSoundPiecesPerTick; ++piece) {
    if (pendingAt_ == pending_.size()) {
      pending_.clear();
      pendingAt_ = 0;
      if (soundEnded_ || pushedFrames_ - sound_->PlayedFrames() >= kSoundAheadFrames) return;
      if (!decoder_->NextSound(pending_)) soundEnded_ = true;
      continue;
    }
    const size_t count = (pending_.size() - pendingAt_) / MovieDecoder::kSoundChannels;
    const size_t taken = sound_->Push(pending_.data() + pendingAt_, count);
    pendingAt_ += taken * MovieDecoder::kSoundChannels;
    pushedFrames_ += static_cast<int64_t>(taken);
    if (taken < count) return;  // the mixer's queue is full
  }
}

void QtMovie::ShowDueFrame(int64_t now) {
  bool changed = false;
  for (int i = 0; i < kMaxFramesPerTick && !pictureEnded_ && next_.ptsMs <= now; ++i) {
    std::swap(current_, next_);
    changed = true;
    const QSize size = DecodeSize();
    if (!decoder_->NextFrame(size.width(), size.height(), next_)) {
      pictureEnded_ = true;
      const double rate = decoder_->FrameRate();
      pictureEndMs_ = current_.ptsMs + (rate > 0 ? static_cast<int64_t>(1000 / rate) : 0);
    }
  }
  if (!changed || !window_ || rect_.isEmpty()) return;
  const Picture& p = current_.picture;
  // The pixels are 0x00RRGGBB; RGB32 reads them as opaque colours. The
  // copy is the window's, as the decoder reuses this buffer.
  const QImage image(reinterpret_cast<const uchar*>(p.Pixels().data()), p.Width(), p.Height(),
                     p.Width() * 4, QImage::Format_RGB32);
  window_->ShowMovie(image.copy(), rect_);
}

bool QtMovie::Finished(int64_t now) const {
  return pictureEnded_ && soundEnded_ && pendingAt_ == pending_.size() &&
         now >= std::max(pictureEndMs_, FramesToMs(pushedFrames_));
}

}  // namespace korvana
