#include "backends/ffmpeg/MovieDecoder.h"

#include <algorithm>

#include "backends/ffmpeg/FfmpegDoor.h"

namespace korvana {

struct MovieDecoder::State {
  std::unique_ptr<ffmpeg::Movie> movie;
};

MovieDecoder::MovieDecoder(std::unique_ptr<State> state) : state_(std::move(state)) {}
MovieDecoder::~MovieDecoder() = default;

std::unique_ptr<MovieDecoder> MovieDecoder::Open(const std::string& utf8Path) {
  const ffmpeg::Door* door = ffmpeg::OpenDoor();
  if (!door) return nullptr;
  auto state = std::make_unique<State>();
  state->movie = door->openMovie(utf8Path);
  if (!state->movie) return nullptr;
  return std::unique_ptr<MovieDecoder>(new MovieDecoder(std::move(state)));
}

int MovieDecoder::Width() const {
  return state_->movie->Width();
}

int MovieDecoder::Height() const {
  return state_->movie->Height();
}

double MovieDecoder::FrameRate() const {
  return state_->movie->FrameRate();
}

int64_t MovieDecoder::DurationMs() const {
  return state_->movie->DurationMs();
}

bool MovieDecoder::HasSound() const {
  return state_->movie->HasSound();
}

bool MovieDecoder::NextFrame(int width, int height, MovieFrame& frame) {
  width = std::clamp(width, 1, kMaxPictureSide);
  height = std::clamp(height, 1, kMaxPictureSide);
  if (frame.picture.Width() != width || frame.picture.Height() != height)
    frame.picture.Resize(width, height);
  return state_->movie->NextFrame(frame);
}

bool MovieDecoder::NextSound(std::vector<int16_t>& samples) {
  return state_->movie->NextSound(samples);
}

}  // namespace korvana
