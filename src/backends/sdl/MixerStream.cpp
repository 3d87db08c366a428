#include "backends/sdl/MixerStream.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "backends/sdl/MixerLibrary.h"

namespace korvana {
namespace {

constexpr int kChannels = 2;
// One second of sound: enough for a producer on the pump's thread to ride
// out a slow frame, little enough that a stop is heard at once.
constexpr size_t kCapacity = MixerStream::kRate;
// The silence the channel loops; its length only sets how often the mixer
// restarts the loop, which costs nothing we can hear.
constexpr size_t kSilenceFrames = 4096;

}  // namespace

struct MixerStream::State {
  std::mutex lock;
  // Interleaved frames; `head` is the next to play, `count` are queued.
  std::vector<int16_t> ring = std::vector<int16_t>(kCapacity * kChannels);
  size_t head = 0;
  size_t count = 0;
  std::atomic<int64_t> played{0};
  std::vector<int16_t> silence = std::vector<int16_t>(kSilenceFrames * kChannels);
  Mix_Chunk* chunk = nullptr;
  bool running = false;

  // Runs on the mixer's thread: replaces the silent chunk's samples by the
  // queue's, and leaves silence where the queue runs dry.
  static void Effect(int, void* stream, int len, void* self) {
    auto& s = *static_cast<State*>(self);
    auto* out = static_cast<int16_t*>(stream);
    const size_t wanted = static_cast<size_t>(len) / (sizeof(int16_t) * kChannels);
    size_t taken = 0;
    {
      std::lock_guard guard(s.lock);
      while (taken < wanted && s.count > 0) {
        const size_t run = std::min({wanted - taken, s.count, kCapacity - s.head});
        std::memcpy(out + taken * kChannels, s.ring.data() + s.head * kChannels,
                    run * kChannels * sizeof(int16_t));
        taken += run;
        s.head = (s.head + run) % kCapacity;
        s.count -= run;
      }
    }
    std::memset(out + taken * kChannels, 0, (wanted - taken) * kChannels * sizeof(int16_t));
    s.played += static_cast<int64_t>(taken);
  }
};

MixerStream::MixerStream(int mixerChannel)
    : state_(std::make_unique<State>()), channel_(mixerChannel) {}

MixerStream::~MixerStream() {
  Stop();
  if (state_->chunk) Mix_FreeChunk(state_->chunk);
}

bool MixerStream::Start() {
  Stop();
  int rate = 0, channels = 0;
  Uint16 format = 0;
  // The ring holds the mixer's own format, so a mixer opened otherwise
  // cannot take it.
  if (!mixer::Loaded() || !Mix_QuerySpec(&rate, &format, &channels)) return false;
  if (rate != kRate || format != AUDIO_S16SYS || channels != kChannels) return false;
  if (!state_->chunk) {
    state_->chunk =
        Mix_QuickLoad_RAW(reinterpret_cast<Uint8*>(state_->silence.data()),
                          static_cast<Uint32>(state_->silence.size() * sizeof(int16_t)));
    if (!state_->chunk) return false;
  }
  {
    std::lock_guard guard(state_->lock);
    state_->head = 0;
    state_->count = 0;
  }
  state_->played = 0;
  // The effect goes before the play so that not one loop of the silent
  // chunk's own samples reaches the mixer unreplaced.
  if (!Mix_RegisterEffect(channel_, &State::Effect, nullptr, state_.get())) return false;
  if (Mix_PlayChannel(channel_, state_->chunk, -1) != channel_) {
    Mix_UnregisterEffect(channel_, &State::Effect);
    return false;
  }
  state_->running = true;
  return true;
}

size_t MixerStream::Push(const int16_t* frames, size_t count) {
  std::lock_guard guard(state_->lock);
  size_t pushed = 0;
  while (pushed < count && state_->count < kCapacity) {
    const size_t tail = (state_->head + state_->count) % kCapacity;
    const size_t run = std::min({count - pushed, kCapacity - state_->count, kCapacity - tail});
    std::memcpy(state_->ring.data() + tail * kChannels, frames + pushed * kChannels,
                run * kChannels * sizeof(int16_t));
    pushed += run;
    state_->count += run;
  }
  return pushed;
}

size_t MixerStream::Space() const {
  std::lock_guard guard(state_->lock);
  return kCapacity - state_->count;
}

int64_t MixerStream::PlayedFrames() const {
  return state_->played;
}

size_t MixerStream::Queued() const {
  std::lock_guard guard(state_->lock);
  return state_->count;
}

void MixerStream::Stop() {
  if (!state_->running) return;
  state_->running = false;
  // Halting the channel also unregisters its effects.
  Mix_HaltChannel(channel_);
}

}  // namespace korvana
