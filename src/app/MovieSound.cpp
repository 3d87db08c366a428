#include "MovieSound.h"

#include "backends/sdl/MixerStream.h"
#include "backends/sdl/SdlAudio.h"

namespace korvana {
namespace {

class MixerMovieSound : public MovieSound {
 public:
  explicit MixerMovieSound(SdlAudio& audio) : audio_(audio), stream_(SdlAudio::kMovieChannel) {}
  // A movie may be the first thing that sounds: the mixer opens for it.
  bool Start() override { return audio_.OpenMixer() && stream_.Start(); }
  size_t Push(const int16_t* frames, size_t count) override { return stream_.Push(frames, count); }
  int64_t PlayedFrames() const override { return stream_.PlayedFrames(); }
  void Stop() override { stream_.Stop(); }

 private:
  SdlAudio& audio_;
  MixerStream stream_;
};

}  // namespace

std::unique_ptr<MovieSound> MakeMixerMovieSound(SdlAudio& audio) {
  return std::make_unique<MixerMovieSound>(audio);
}

}  // namespace korvana
