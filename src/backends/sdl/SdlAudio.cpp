#include "backends/sdl/SdlAudio.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "backends/RippedTracks.h"
#include "backends/sdl/MixerLibrary.h"
#include "core/RegularFile.h"
#include "core/SdlLibrary.h"
#include "platform/MediaLength.h"
#include "platform/SoundDecoder.h"

namespace korvana {
namespace {

constexpr int kStereo = 2;
constexpr int kBytesPerFrame = kStereo * static_cast<int>(sizeof(int16_t));
// Samples per mix: 23 ms, short enough that a length-limited play stops
// close to its mark.
constexpr int kMixSamples = 1024;
constexpr const char* kDefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
// A hundred hours: positions beyond it are nonsense from the caller, and
// clamping them keeps the frame arithmetic far from overflow.
constexpr int64_t kLongestMs = 100LL * 3600 * 1000;

// Files up to this size are decoded whole without a look at their length;
// few seconds of compressed sound fit in it.
constexpr int64_t kSmallSoundBytes = 128 << 10;
// Sounds longer than this are decoded as they play; whole, this is 1.7 MB.
constexpr int64_t kLongestChunkMs = 10 * 1000;
// What a streamed sound decodes before its channel starts.
constexpr size_t kLeadFrames = MixerStream::kRate / 5;

// A MIDI song shorter than this plays once at a time: its passes would come
// faster than the pump takes their ends.
constexpr int64_t kShortestLoopMs = 250;
// What a halt moves a channel's generation on by: more than the ends a play
// can have posted and not yet delivered, so that none of them ever matches a
// later play.
constexpr uint32_t kStaleStep = 1u << 16;

// The mixer calls its hooks without a pointer of ours; the one open SdlAudio
// is kept here while they are installed.
std::atomic<SdlAudio*> gActive = nullptr;

int64_t SaneMs(int64_t ms) {
  return std::clamp<int64_t>(ms, 0, kLongestMs);
}

int64_t MsToFrames(int64_t ms) {
  return SaneMs(ms) * MixerStream::kRate / 1000;
}

size_t ChannelIndex(AudioChannel channel) {
  return static_cast<size_t>(channel);
}

// The file for a decoder, or null. Only a regular file: a FIFO would hold
// the pump in its open. No sound fits in fewer bytes than the twelve the
// decoders read to tell the formats apart, and this SDL_mixer loses the file
// handle of one that is shorter.
SDL_RWops* OpenSoundFile(const std::string& path) {
  const int fd = OpenRegularFile(path);
  if (fd < 0) return nullptr;
  std::FILE* stream = ::fdopen(fd, "rb");
  if (!stream) {
    ::close(fd);
    return nullptr;
  }
  SDL_RWops* file = SDL_RWFromFP(stream, SDL_TRUE);
  if (!file) {
    std::fclose(stream);
    return nullptr;
  }
  if (SDL_RWsize(file) < 12) {
    SDL_RWclose(file);
    return nullptr;
  }
  return file;
}

// Music is told by its contents, never by its name: a file named .mid that
// is not MIDI would open, then play nothing.
Mix_Music* LoadMusicFile(const std::string& path) {
  SDL_RWops* file = OpenSoundFile(path);
  return file ? Mix_LoadMUS_RW(file, 1) : nullptr;
}

}  // namespace

SdlAudio::SdlAudio(Post post, DiscOpener openDisc)
    : post_(std::move(post)), openDisc_(std::move(openDisc)) {}

SdlAudio::~SdlAudio() {
  StopFeeds();
  if (device_ != Device::Open) return;
  // Each setter waits for a hook that is running to return.
  Mix_HookMusicFinished(nullptr);
  Mix_ChannelFinished(nullptr);
  Mix_SetPostMix(nullptr, nullptr);
  gActive = nullptr;
  Mix_HaltChannel(-1);
  Mix_HaltMusic();
  for (ChunkPlayer* player : {&effect_, &short_, &track_}) FreeChunk(*player);
  if (music_) Mix_FreeMusic(music_);
  Mix_CloseAudio();
  Mix_Quit();
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudio::SetSink(InputSink* sink) {
  ends_->sink = sink;
}

bool SdlAudio::OpenMixer() {
  if (device_ != Device::Untried) return device_ == Device::Open;
  device_ = Device::Missing;
  const auto missing = [](const char* why) {
    std::fprintf(stderr, "korvana: no audio device (%s); playing on in silence\n", why);
    return false;
  };
  if (gActive) return missing("the mixer is in use");
  if (!sdl::Load()) return missing("SDL2 cannot be loaded");
  if (!mixer::Load()) return missing("SDL_mixer cannot be loaded");
  // SDL would turn SIGTERM and SIGINT into quit events that the window never
  // reads, and the program could no longer be ended from outside.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return missing(SDL_GetError());
  // A decoder that fails to load only loses its format; the rest still play.
  Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC | MIX_INIT_OPUS | MIX_INIT_MID);
  // No format changes allowed: SDL converts to whatever the device wants, and
  // the chunks and streams can count frames at one fixed rate.
  if (Mix_OpenAudioDevice(MixerStream::kRate, AUDIO_S16SYS, kStereo, kMixSamples, nullptr, 0) !=
      0) {
    missing(Mix_GetError());
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  // A sound font named by the user wins over ours.
  const char* fromUser = std::getenv("SDL_SOUNDFONTS");
  if (!fromUser || !*fromUser) Mix_SetSoundFonts(kDefaultSoundFont);
  Mix_AllocateChannels(kMixerChannels);
  // Every channel has its owner; none is handed out to a play without one.
  Mix_ReserveChannels(kMixerChannels);
  gActive = this;
  Mix_HookMusicFinished(&OnMusicFinished);
  Mix_ChannelFinished(&OnChannelFinished);
  Mix_SetPostMix(&OnPostMix, this);
  device_ = Device::Open;
  return true;
}

// --- Ends -------------------------------------------------------------------

std::atomic<uint32_t>& SdlAudio::Generation(AudioChannel channel) {
  return ends_->generation[ChannelIndex(channel)];
}

void SdlAudio::OnMusicFinished() {
  SdlAudio* audio = gActive;
  if (!audio) return;
  {
    // A looped play's passes are counted; its last one was reported at its
    // length, before the synthesiser's tail ran out.
    std::lock_guard guard(audio->loopLock_);
    if (audio->loop_.active) return;
  }
  audio->musicFramesLeft_ = -1;
  audio->Report(AudioChannel::Music, audio->Generation(AudioChannel::Music));
}

void SdlAudio::OnChannelFinished(int mixerChannel) {
  SdlAudio* audio = gActive;
  if (!audio) return;
  AudioChannel channel;
  switch (mixerChannel) {
    case kEffectChannel:
      channel = AudioChannel::SoundEffect;
      break;
    case kShortChannel:
      channel = AudioChannel::Short;
      break;
    case kTrackChannel:
      channel = AudioChannel::Cd;
      break;
    default:
      return;  // a stream's channel: its owner knows when it ends
  }
  audio->Report(channel, audio->Generation(channel));
}

void SdlAudio::OnPostMix(void* self, uint8_t*, int len) {
  auto& audio = *static_cast<SdlAudio*>(self);
  audio.CountPasses(len / kBytesPerFrame);
  int64_t left = audio.musicFramesLeft_;
  if (left < 0) return;
  int64_t now = left - len / kBytesPerFrame;
  if (now <= 0) now = -1;
  // A play started or stopped meanwhile on the pump's thread wins: its
  // count replaces ours.
  if (!audio.musicFramesLeft_.compare_exchange_strong(left, now) || now > 0) return;
  // Halting from inside the mix is not allowed; the pump's thread halts it.
  audio.Report(AudioChannel::Music, audio.Generation(AudioChannel::Music), true);
}

void SdlAudio::CountPasses(int64_t frames) {
  uint32_t first = 0, ends = 0;
  {
    std::lock_guard guard(loopLock_);
    Loop& loop = loop_;
    if (!loop.active || loop.passesLeft == 0) return;
    loop.mixed += frames;
    first = loop.firstGeneration + loop.reported;
    while (loop.mixed >= loop.passFrames && loop.passesLeft != 0) {
      loop.mixed -= loop.passFrames;
      if (loop.passesLeft > 0) --loop.passesLeft;
      ++loop.reported;
      ++ends;
    }
  }
  for (uint32_t i = 0; i < ends; ++i) Report(AudioChannel::Music, first + i);
}

void SdlAudio::Report(AudioChannel channel, uint32_t generation, bool haltMusic) {
  std::weak_ptr<Ends> weak = ends_;
  post_([weak, channel, generation, haltMusic] {
    const auto ends = weak.lock();
    if (!ends) return;
    auto& current = ends->generation[ChannelIndex(channel)];
    if (current != generation) return;
    // The halt's own end report carries this generation too; moving on
    // after it drops that one.
    if (haltMusic) Mix_HaltMusic();
    ++current;
    if (ends->sink) ends->sink->OnAudioEnded(channel);
  });
}

void SdlAudio::Halt(AudioChannel channel) {
  if (device_ == Device::Open) {
    switch (channel) {
      case AudioChannel::Music:
        musicFramesLeft_ = -1;
        // Never held over a call into the mixer: the mix takes it too.
        {
          std::lock_guard guard(loopLock_);
          loop_ = Loop{};
        }
        Mix_HaltMusic();
        break;
      case AudioChannel::Cd:
        discFeed_.Stop();
        [[fallthrough]];
      case AudioChannel::SoundEffect:
      case AudioChannel::Short: {
        ChunkPlayer& player = *PlayerOf(channel);
        if (player.feed) player.feed->Stop();
        Mix_HaltChannel(player.mixerChannel);
        break;
      }
    }
  }
  // After the halt: the end it reported itself, and any its play posted
  // before, are stale from here on.
  Generation(channel) += kStaleStep;
}

SdlAudio::ChunkPlayer* SdlAudio::PlayerOf(AudioChannel channel) {
  switch (channel) {
    case AudioChannel::SoundEffect:
      return &effect_;
    case AudioChannel::Short:
      return &short_;
    case AudioChannel::Cd:
      return &track_;
    case AudioChannel::Music:
      break;
  }
  return nullptr;
}

// --- The door ---------------------------------------------------------------

bool SdlAudio::Open(AudioChannel channel, const std::string& path) {
  if (channel == AudioChannel::Cd) return OpenCd({path});
  if (!OpenMixer()) return false;
  if (channel == AudioChannel::Music) return LoadMusic(path);
  return LoadChunk(*PlayerOf(channel), path);
}

bool SdlAudio::Close(AudioChannel channel) {
  Halt(channel);
  if (channel == AudioChannel::Music) {
    if (music_) Mix_FreeMusic(music_);
    music_ = nullptr;
    musicPath_.clear();
    return true;
  }
  FreeChunk(*PlayerOf(channel));
  if (channel == AudioChannel::Cd) {
    trackFiles_.clear();
    trackLengthMs_.clear();
    disc_.reset();
  }
  return true;
}

bool SdlAudio::Play(AudioChannel channel, const std::string& path, int64_t startMs,
                    int64_t lengthMs) {
  if (!OpenMixer()) return false;
  switch (channel) {
    case AudioChannel::Music:
      return PlayMusic(path, startMs, lengthMs);
    case AudioChannel::Cd:
      return PlayCd(path, startMs, lengthMs);
    case AudioChannel::SoundEffect:
    case AudioChannel::Short:
      break;
  }
  return PlayChunk(*PlayerOf(channel), path, startMs, lengthMs);
}

int SdlAudio::Stop(AudioChannel channel) {
  Halt(channel);
  return 0;
}

bool SdlAudio::PlayShort(const std::string& path) {
  if (path.empty()) {
    StopShort();
    return true;
  }
  return Play(AudioChannel::Short, path, 0, 0);
}

void SdlAudio::StopShort() {
  Halt(AudioChannel::Short);
}

// --- Music ------------------------------------------------------------------

bool SdlAudio::LoadMusic(const std::string& path) {
  Halt(AudioChannel::Music);
  if (music_) Mix_FreeMusic(music_);
  music_ = LoadMusicFile(path);
  musicPath_ = music_ ? path : std::string();
  return music_ != nullptr;
}

bool SdlAudio::PlayMusic(const std::string& path, int64_t startMs, int64_t lengthMs) {
  if ((path != musicPath_ || !music_) && !LoadMusic(path)) return false;
  Halt(AudioChannel::Music);
  // A format that cannot seek (MIDI) refuses the position: it plays from
  // its beginning instead. This SDL_mixer seeks WAV music to the whole
  // second before the position.
  const bool started =
      (startMs > 0 && Mix_FadeInMusicPos(music_, 0, 0, SaneMs(startMs) / 1000.0) == 0) ||
      Mix_PlayMusic(music_, 0) == 0;
  // Counted from after the start, so that a mix the music missed can make
  // it run over by one mix but never cut it short.
  if (started && lengthMs > 0) musicFramesLeft_ = MsToFrames(lengthMs);
  return started;
}

bool SdlAudio::PlayLooped(AudioChannel channel, const std::string& path, int32_t plays) {
  if (channel != AudioChannel::Music || !OpenMixer()) return false;
  if ((path != musicPath_ || !music_) && !LoadMusic(path)) return false;
  if (Mix_GetMusicType(music_) != MUS_MID) return false;
  // The song's length from its tempo map: where the synthesiser's loop
  // turns, not where its release dies away.
  const int64_t passMs = MediaLengthMs(path);
  if (passMs < kShortestLoopMs) return false;
  Halt(AudioChannel::Music);
  if (Mix_PlayMusic(music_, plays > 0 ? plays : -1) != 0) return false;
  std::lock_guard guard(loopLock_);
  loop_ = Loop{true, MsToFrames(passMs), 0, plays > 0 ? plays : -1,
               Generation(AudioChannel::Music).load(), 0};
  return true;
}

// --- Chunks -----------------------------------------------------------------

bool SdlAudio::LoadChunk(ChunkPlayer& player, const std::string& path) {
  FreeChunk(player);
  SDL_RWops* file = OpenSoundFile(path);
  if (!file) return false;
  // A long sound is decoded as it plays: whole, two hours of it took more
  // than a gigabyte. A small file is never long enough to matter, and needs
  // no look by FFmpeg; a MIDI file FFmpeg cannot decode stays a chunk.
  if (SDL_RWsize(file) > kSmallSoundBytes) {
    const std::unique_ptr<SoundDecoder> decoder = OpenSoundDecoder(path);
    const int64_t ms = decoder ? decoder->DurationMs() : 0;
    if (ms < 0 || ms > kLongestChunkMs) {
      SDL_RWclose(file);
      player.streamed = true;
      player.path = path;
      return true;
    }
  }
  // Decoded whole: the file is ours to close.
  player.chunk = Mix_LoadWAV_RW(file, 0);
  SDL_RWclose(file);
  if (!player.chunk) return false;
  player.path = path;
  return true;
}

void SdlAudio::FreeChunk(ChunkPlayer& player) {
  // Freeing a playing chunk would halt its channel with an end report.
  Halt(player.channel);
  if (player.part) Mix_FreeChunk(player.part);
  if (player.chunk) Mix_FreeChunk(player.chunk);
  player.part = player.chunk = nullptr;
  player.streamed = false;
  player.path.clear();
}

bool SdlAudio::PlayChunk(ChunkPlayer& player, const std::string& path, int64_t startMs,
                         int64_t lengthMs) {
  if ((path != player.path || (!player.chunk && !player.streamed)) && !LoadChunk(player, path))
    return false;
  if (player.streamed) return PlayStreamed(player, startMs, lengthMs);
  Halt(player.channel);
  if (player.part) Mix_FreeChunk(player.part);
  player.part = nullptr;
  Mix_Chunk* play = player.chunk;
  if (startMs > 0 || lengthMs > 0) {
    const int64_t frames = player.chunk->alen / kBytesPerFrame;
    const int64_t first = MsToFrames(startMs);
    if (first >= frames) return false;
    const int64_t count =
        lengthMs > 0 ? std::min(MsToFrames(lengthMs), frames - first) : frames - first;
    if (count <= 0) return false;
    player.part = Mix_QuickLoad_RAW(player.chunk->abuf + first * kBytesPerFrame,
                                    static_cast<Uint32>(count * kBytesPerFrame));
    if (!player.part) return false;
    play = player.part;
  }
  return Mix_PlayChannel(player.mixerChannel, play, 0) == player.mixerChannel;
}

bool SdlAudio::PlayStreamed(ChunkPlayer& player, int64_t startMs, int64_t lengthMs) {
  Halt(player.channel);
  // From the start at every play: a decoder cannot be wound back.
  std::shared_ptr<SoundDecoder> decoder = OpenSoundDecoder(player.path);
  if (!decoder) return false;
  const int64_t duration = decoder->DurationMs();
  if (duration >= 0 && SaneMs(startMs) >= duration) return false;
  // Decoded and dropped up to the start: exact to the frame, as a chunk's
  // part is, and the engine starts its plays at 0.
  int64_t skip = MsToFrames(startMs);
  int64_t take = lengthMs > 0 ? std::max<int64_t>(1, MsToFrames(lengthMs)) : -1;
  auto source = [decoder, skip, take](std::vector<int16_t>& out) mutable {
    const size_t at = out.size();
    const bool more = decoder->NextSound(out);
    int64_t frames = static_cast<int64_t>(out.size() - at) / kStereo;
    const int64_t dropped = std::min(skip, frames);
    out.erase(out.begin() + static_cast<ptrdiff_t>(at),
              out.begin() + static_cast<ptrdiff_t>(at + dropped * kStereo));
    skip -= dropped;
    frames -= dropped;
    if (take < 0) return more;
    frames = std::min(frames, take);
    out.resize(at + static_cast<size_t>(frames) * kStereo);
    take -= frames;
    return more && take > 0;
  };
  if (!player.feed) player.feed = std::make_unique<StreamFeed>(player.mixerChannel);
  const uint32_t generation = Generation(player.channel);
  player.feed->Start(std::move(source), kLeadFrames,
                     [this, channel = player.channel, generation] { Report(channel, generation); });
  return true;
}

void SdlAudio::StopFeeds() {
  discFeed_.Stop();
  for (ChunkPlayer* player : {&effect_, &short_, &track_})
    if (player->feed) player->feed->Stop();
}

// --- CD ---------------------------------------------------------------------

bool SdlAudio::OpenCd(const std::vector<std::string>& trackFolders) {
  Close(AudioChannel::Cd);
  if (!OpenMixer()) return false;
  trackFiles_ = FindRippedTracks(trackFolders);
  if (!trackFiles_.empty()) return true;
  if (openDisc_) disc_ = openDisc_();
  if (disc_ && disc_->Tracks().empty()) disc_.reset();
  return disc_ != nullptr;
}

bool SdlAudio::CdTrack(int track, int64_t& startMs, int64_t& lengthMs) {
  if (disc_) {
    for (const auto& t : disc_->Tracks()) {
      if (t.number != track) continue;
      startMs = AudioDisc::SectorsToMs(t.firstSector);
      lengthMs = AudioDisc::SectorsToMs(t.sectors);
      return true;
    }
    return false;
  }
  const auto file = trackFiles_.find(track);
  if (file == trackFiles_.end()) return false;
  auto known = trackLengthMs_.find(track);
  if (known == trackLengthMs_.end()) {
    // The decoder reads the length from the file's headers, without
    // decoding the whole track.
    Mix_Music* music = LoadMusicFile(file->second);
    if (!music) return false;
    const double seconds = Mix_MusicDuration(music);
    Mix_FreeMusic(music);
    if (seconds < 0) return false;
    known = trackLengthMs_.emplace(track, static_cast<int64_t>(seconds * 1000 + 0.5)).first;
  }
  startMs = 0;
  lengthMs = known->second;
  return true;
}

bool SdlAudio::PlayCd(const std::string& track, int64_t startMs, int64_t lengthMs) {
  int number = 0;
  const auto [end, error] = std::from_chars(track.data(), track.data() + track.size(), number);
  if (error != std::errc() || end != track.data() + track.size()) return false;
  if (disc_) return PlayDisc(number, startMs, lengthMs);
  const auto file = trackFiles_.find(number);
  if (file == trackFiles_.end()) return false;
  // Decoded whole, like any chunk: a track of several minutes takes a moment
  // to start, and a replay of the same track none.
  return PlayChunk(track_, file->second, startMs, lengthMs);
}

bool SdlAudio::PlayDisc(int track, int64_t startMs, int64_t lengthMs) {
  const auto& tracks = disc_->Tracks();
  const auto found = std::find_if(tracks.begin(), tracks.end(),
                                  [&](const AudioDisc::Track& t) { return t.number == track; });
  if (found == tracks.end()) return false;
  Halt(AudioChannel::Cd);
  const int64_t trackEnd = found->firstSector + found->sectors;
  const int64_t discEnd = tracks.back().firstSector + tracks.back().sectors;
  // Positions are the disc's; one outside the track starts it from its top.
  int64_t first = AudioDisc::MsToSectors(SaneMs(startMs));
  if (first < found->firstSector || first >= trackEnd) first = found->firstSector;
  const int64_t last =
      lengthMs > 0 ? std::min(first + AudioDisc::MsToSectors(SaneMs(lengthMs)), discEnd) : trackEnd;
  if (last <= first) return false;
  // A sector that cannot be read ends the track there, as a skipping player
  // would rather than stall.
  constexpr int kSectorSamples = AudioDisc::kFramesPerSector * kStereo;
  auto source = [this, first, sectors = last - first, done = int64_t{0},
                 sought = false](std::vector<int16_t>& out) mutable {
    if (!sought && !disc_->Seek(first)) return false;
    sought = true;
    const size_t at = out.size();
    out.resize(at + kSectorSamples);
    if (!disc_->ReadSector(out.data() + at)) {
      out.resize(at);
      return false;
    }
    return ++done < sectors;
  };
  // A lead read before the channel starts: a drive slow to spin up is heard
  // as a later start rather than as a stutter.
  constexpr size_t kLeadSectors = 32;
  const uint32_t generation = Generation(AudioChannel::Cd);
  discFeed_.Start(std::move(source), kLeadSectors * AudioDisc::kFramesPerSector,
                  [this, generation] { Report(AudioChannel::Cd, generation); });
  return true;
}

}  // namespace korvana
