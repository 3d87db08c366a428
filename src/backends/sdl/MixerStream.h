#pragma once
// Sound made by our own decoders (a disc's sectors, a movie's sound track)
// played on one channel of the mixer, so that it mixes with the music and the
// effects. One producer pushes (from the pump's thread, or a reader thread of
// its own); the mixer pulls on its own thread.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace korvana {

class MixerStream {
 public:
  // Frames are 16-bit stereo at this rate; producers resample to it.
  static constexpr int kRate = 44100;

  // `mixerChannel` is the SDL_mixer channel the stream owns while it runs.
  explicit MixerStream(int mixerChannel);
  ~MixerStream();
  MixerStream(const MixerStream&) = delete;
  MixerStream& operator=(const MixerStream&) = delete;

  // Starts the channel with an empty queue; false when the mixer is not open.
  bool Start();
  // Queues up to `count` interleaved stereo frames; returns how many fit.
  // Never blocks. While the queue is empty the channel plays silence.
  size_t Push(const int16_t* frames, size_t count);
  // Frames that still fit in the queue.
  size_t Space() const;
  // Frames the mixer has taken since Start: the clock pictures are paced by.
  // The silence of an empty queue does not count, so the clock waits for a
  // producer that falls behind.
  int64_t PlayedFrames() const;
  // Frames queued and not yet played.
  size_t Queued() const;
  void Stop();

 private:
  struct State;
  std::unique_ptr<State> state_;
  int channel_;
};

}  // namespace korvana
