#include "MovieSound.h"

#include "platform/sdl/MixerStream.h"

namespace korvana {
namespace {

// The mixer channel kept for movies; the music and effects channels are
// below it.
constexpr int kMovieMixerChannel = 7;

class MixerMovieSound : public MovieSound {
 public:
  MixerMovieSound() : stream_(kMovieMixerChannel) {}
  bool Start() override { return stream_.Start(); }
  size_t Push(const int16_t* frames, size_t count) override { return stream_.Push(frames, count); }
  int64_t PlayedFrames() const override { return stream_.PlayedFrames(); }
  void Stop() override { stream_.Stop(); }

 private:
  MixerStream stream_;
};

}  // namespace

std::unique_ptr<MovieSound> MakeMixerMovieSound() {
#ifdef KORVANA_HAVE_MIXER_STREAM
  return std::make_unique<MixerMovieSound>();
#else
  return nullptr;
#endif
}

}  // namespace korvana
