#pragma once
// The sound devices on SDL_mixer. Music is a Mix_Music (MIDI through
// FluidSynth and a General MIDI sound font, MP3, WAV, Ogg, Opus, FLAC); sound
// effects, short sounds and ripped CD tracks are chunks, each on a mixer
// channel of its own, when they are short, and streams decoded as they play
// when they are long; an audio disc plays through a stream fed by a reader
// thread. The mixer opens on first use, so a story without sound
// never touches the audio device.
//
// The mixer is one per process: one SdlAudio at a time.
#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "backends/sdl/MixerStream.h"
#include "backends/sdl/StreamFeed.h"
#include "platform/Audio.h"
#include "platform/AudioDisc.h"

struct Mix_Chunk;
typedef struct _Mix_Music Mix_Music;

namespace korvana {

class SdlAudio : public Audio {
 public:
  // Runs a closure on the pump's thread, later. Ends are found on the
  // mixer's thread and must reach the engine on the pump's; callable from
  // any thread.
  using Post = std::function<void(std::function<void()>)>;
  // Opens the disc the CD channel plays when it finds no ripped tracks; null
  // when there is none.
  using DiscOpener = std::function<std::unique_ptr<AudioDisc>()>;

  // The mixer's channels. kMovieChannel is free for the movie player's
  // MixerStream.
  enum MixerChannel : int {
    kEffectChannel,
    kShortChannel,
    kTrackChannel,
    kDiscChannel,
    kMovieChannel,
    kMixerChannels
  };

  explicit SdlAudio(Post post, DiscOpener openDisc = {});
  ~SdlAudio() override;
  SdlAudio(const SdlAudio&) = delete;
  SdlAudio& operator=(const SdlAudio&) = delete;

  // Where ends are delivered, on the pump's thread.
  void SetSink(InputSink* sink);
  // Opens the mixer if it is not open, for a MixerStream that plays before
  // any sound has (movie sound). False when there is no device.
  bool OpenMixer();

  bool Open(AudioChannel channel, const std::string& path) override;
  bool OpenCd(const std::vector<std::string>& trackFolders) override;
  bool Close(AudioChannel channel) override;
  bool Play(AudioChannel channel, const std::string& path, int64_t startMs,
            int64_t lengthMs) override;
  // MIDI music: the synthesiser loops it, and the passes are counted by its
  // length in the mix.
  bool PlayLooped(AudioChannel channel, const std::string& path, int32_t plays) override;
  int Stop(AudioChannel channel) override;
  bool PlayShort(const std::string& path) override;
  void StopShort() override;
  bool CdTrack(int track, int64_t& startMs, int64_t& lengthMs) override;

 private:
  // A decoded file on its mixer channel, and the part of it that plays; or
  // a long file, decoded from its start at each play.
  struct ChunkPlayer {
    int mixerChannel = 0;
    AudioChannel channel = AudioChannel::SoundEffect;
    std::string path;
    Mix_Chunk* chunk = nullptr;
    // Over the samples of `chunk` when a play starts later or stops early.
    Mix_Chunk* part = nullptr;
    bool streamed = false;
    std::unique_ptr<StreamFeed> feed;
  };
  // What posted ends check against: a play's generation, moved on by every
  // stop, start and delivered end, so that an end found for a play that is
  // over by the time it arrives is dropped. Posted closures hold it weakly
  // and do nothing once we are gone.
  struct Ends {
    std::array<std::atomic<uint32_t>, 4> generation{};
    InputSink* sink = nullptr;
  };
  enum class Device { Untried, Open, Missing };

  static void OnMusicFinished();
  static void OnChannelFinished(int mixerChannel);
  static void OnPostMix(void* self, uint8_t* stream, int len);

  std::atomic<uint32_t>& Generation(AudioChannel channel);
  // Posts the end of the play of `generation`; `haltMusic` when the music
  // reached the length it was asked to play for and is still sounding.
  void Report(AudioChannel channel, uint32_t generation, bool haltMusic = false);
  // Counts `frames` more of a looped play and reports the passes they end.
  void CountPasses(int64_t frames);
  // Silences a channel so that no end of what played is delivered.
  void Halt(AudioChannel channel);
  ChunkPlayer* PlayerOf(AudioChannel channel);

  bool LoadMusic(const std::string& path);
  bool PlayMusic(const std::string& path, int64_t startMs, int64_t lengthMs);
  bool LoadChunk(ChunkPlayer& player, const std::string& path);
  bool PlayChunk(ChunkPlayer& player, const std::string& path, int64_t startMs, int64_t lengthMs);
  bool PlayStreamed(ChunkPlayer& player, int64_t startMs, int64_t lengthMs);
  void FreeChunk(ChunkPlayer& player);
  bool PlayCd(const std::string& track, int64_t startMs, int64_t lengthMs);
  bool PlayDisc(int track, int64_t startMs, int64_t lengthMs);
  // Stops every feed's thread.
  void StopFeeds();

  Post post_;
  DiscOpener openDisc_;
  std::shared_ptr<Ends> ends_ = std::make_shared<Ends>();
  Device device_ = Device::Untried;

  Mix_Music* music_ = nullptr;
  std::string musicPath_;
  // Frames of music still to play when a play has a length, -1 when it
  // plays to its end. Set on the pump's thread, counted down after each mix
  // on the mixer's.
  std::atomic<int64_t> musicFramesLeft_{-1};
  // The passes of a looped play, counted after each mix on the mixer's
  // thread; the k-th end reports `firstGeneration` + k.
  struct Loop {
    bool active = false;
    int64_t passFrames = 0;
    int64_t mixed = 0;
    int32_t passesLeft = 0;  // -1: endless
    uint32_t firstGeneration = 0;
    uint32_t reported = 0;
  };
  std::mutex loopLock_;
  Loop loop_;

  ChunkPlayer effect_{kEffectChannel, AudioChannel::SoundEffect};
  ChunkPlayer short_{kShortChannel, AudioChannel::Short};
  ChunkPlayer track_{kTrackChannel, AudioChannel::Cd};

  // The CD channel: ripped tracks when any were found, else a disc.
  std::map<int, std::string> trackFiles_;
  std::map<int, int64_t> trackLengthMs_;
  std::unique_ptr<AudioDisc> disc_;
  StreamFeed discFeed_{kDiscChannel};
};

}  // namespace korvana
