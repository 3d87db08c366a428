#include "sound/SoundSystem.h"

#include <algorithm>
#include <climits>

#include "core/Ascii.h"
#include "core/Waits.h"
#include "expr/Evaluator.h"

namespace korvana {
namespace {

const char* ChannelName(Channel c) {
  switch (c) {
    case Channel::Music:
      return "music";
    case Channel::SoundEffect:
      return "se";
    case Channel::Cd:
      return "cd";
  }
  return "music";
}

bool EndsWithMp3(const std::string& name) {
  return name.size() >= 4 && LowerAscii(name.substr(name.size() - 4)) == ".mp3";
}

// The file part of a name written with either separator.
std::string FilePart(const std::string& name) {
  const size_t slash = name.find_last_of("\\/");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

int32_t ClampMs(int64_t ms) { return static_cast<int32_t>(std::clamp<int64_t>(ms, 0, INT32_MAX)); }

}  // namespace

std::string BgmFileForMode(int32_t mode, const std::string& base) {
  static const char* const kExtension[] = {".mid", ".mp3", ".mp3", ".wav"};
  return mode >= 0 && mode <= 3 ? base + kExtension[mode] : std::string();
}

std::string BgmTrackText(int32_t mode, const std::string& base) {
  return mode == 4 ? FilePart(base).substr(0, 2) : std::string();
}

SoundSystem::SoundSystem(const Platform& platform, ClickState& click, const GameFiles& files,
                         Evaluator& eval)
    : platform_(platform), click_(click), files_(files), eval_(eval), mp3_(platform.audio) {
  mp3_.vbmp3_init();
  ApplyMp3Timing(5);
}

void SoundSystem::ApplyMp3Timing(int32_t timing) {
  std::array<int32_t, 4> options{};
  mp3_.vbmp3_getVbmp3Option(options);
  options = {30, 10, timing, 0};
  mp3_.vbmp3_setVbmp3Option(options);
}

void SoundSystem::Tell(Channel c, const char* event) {
  const ChannelRecord& r = Record(c);
  Tell(c, event, r.repeatCount);
}

void SoundSystem::Tell(Channel c, const char* event, int32_t repeat) {
  platform_.observer.SoundEvent(ChannelName(c), event, Record(c).fileName, repeat);
}

void SoundSystem::OpenDevice(Channel c) {
  ChannelRecord& r = Record(c);
  r.playing = 0;
  if (c == Channel::Cd) {
    // Ripped tracks beside the data, then beside the game; else a disc.
    std::vector<std::string> folders;
    if (!files_.DataPath.empty()) folders.push_back(files_.Resolve(files_.DataPath + "\\cdda"));
    folders.push_back(files_.Resolve("cdda"));
    r.deviceAvailable = platform_.audio.OpenCd(folders);
    return;
  }
  r.deviceAvailable = platform_.audio.Open(static_cast<AudioChannel>(c), devicePath_[int(c)]);
}

void SoundSystem::CloseDevice(Channel c) {
  ChannelRecord& r = Record(c);
  r.playing = 0;
  if (platform_.audio.Close(static_cast<AudioChannel>(c))) r.deviceAvailable = 0;
}

int SoundSystem::StopChannel(Channel c) {
  ChannelRecord& r = Record(c);
  if (!r.deviceAvailable) return 0;
  const bool wasPlaying = r.playing;
  r.playing = 0;
  const int result = platform_.audio.Stop(static_cast<AudioChannel>(c));
  if (wasPlaying) Tell(c, "stop");
  CloseDevice(c);
  r.timesPlayed = 0;
  return result;
}

bool SoundSystem::Mp3LibraryOwnsMusic() const {
  return BgmMode == 2 && EndsWithMp3(channels[int(Channel::Music)].fileName);
}

int SoundSystem::StopMusic() {
  if (!Mp3LibraryOwnsMusic()) return StopChannel(Channel::Music);
  ChannelRecord& r = Record(Channel::Music);
  if (mp3Open_) {
    const bool wasPlaying = r.playing;
    r.playing = 0;
    r.timesPlayed = 0;
    mp3_.vbmp3_stop();
    mp3_.vbmp3_close();
    mp3Open_ = false;
    r.deviceAvailable = 0;
    if (wasPlaying) Tell(Channel::Music, "stop");
  }
  return 0;
}

int SoundSystem::StopSoundEffect() { return StopChannel(Channel::SoundEffect); }

int SoundSystem::StopCd() { return StopChannel(Channel::Cd); }

void SoundSystem::StopAll() {
  StopMusic();
  StopSoundEffect();
  StopCd();
}

void SoundSystem::PlayOnChannel(Channel c, const std::string& file, int32_t repeat, bool switchOn) {
  ChannelRecord& r = Record(c);
  const std::string path = files_.ResolveScript(file);
  int stopped = 0;
  if (r.playing) stopped = c == Channel::Music ? StopMusic() : StopChannel(c);
  if (c == Channel::Music && EndsWithMp3(file) && BgmMode == 2) {
    PlayMp3Library(file, path, repeat);
    return;
  }
  r.fileName = file;
  devicePath_[int(c)] = path;
  if (stopped != 0) return;
  // Play hands the device its file every time: a device left open by a play
  // that ended must not play the old song.
  if (!r.deviceAvailable && switchOn) OpenDevice(c);
  r.requestedWhileOff = !switchOn;
  if (!r.deviceAvailable) {
    r.playing = 0;
    if (switchOn) Tell(c, "fail", repeat);
    return;
  }
  r.timesPlayed = 1;
  r.repeatCount = repeat;
  // A count below zero is one play, as the end test below has it.
  deviceLoops_[int(c)] = platform_.audio.PlayLooped(static_cast<AudioChannel>(c), path,
                                                     repeat < 0 ? 1 : repeat);
  if (deviceLoops_[int(c)] || platform_.audio.Play(static_cast<AudioChannel>(c), path, 0, 0)) {
    r.playing = 1;
    Tell(c, "play");
  } else {
    r.playing = 0;
    Tell(c, "fail");
  }
}

void SoundSystem::PlayMusic(const std::string& file, int32_t repeat) {
  PlayOnChannel(Channel::Music, file, repeat, EnableMusic);
}

void SoundSystem::PlaySoundEffect(const std::string& file, int32_t repeat) {
  PlayOnChannel(Channel::SoundEffect, file, repeat, EnableSound);
}

void SoundSystem::PlayMp3Library(const std::string& file, const std::string& path,
                                 int32_t repeat) {
  ChannelRecord& r = Record(Channel::Music);
  if (mp3Open_) mp3_.vbmp3_close();
  mp3Open_ = false;
  r.deviceAvailable = 0;
  r.fileName = file;
  if (!EnableMusic) {
    r.requestedWhileOff = 1;
    r.playing = 0;
    return;
  }
  if (mp3_.vbmp3_open(path) == 0) {
    r.playing = 0;
    r.timesPlayed = 0;
    Tell(Channel::Music, "fail", repeat);
    return;
  }
  mp3Open_ = true;
  r.deviceAvailable = 1;
  r.requestedWhileOff = 0;
  r.timesPlayed = 1;
  r.repeatCount = repeat;
  mp3_.vbmp3_callback([this](int32_t status, int32_t) { Mp3EndOfPlay(status); });
  mp3_.vbmp3_play();
  r.playing = 1;
  Tell(Channel::Music, "play");
}

void SoundSystem::Mp3EndOfPlay(int32_t status) {
  ChannelRecord& r = Record(Channel::Music);
  if (status != Mp3Library::kFinished || !r.playing) return;
  if (r.repeatCount == 0 || r.timesPlayed < r.repeatCount) {
    mp3_.vbmp3_callback([this](int32_t s, int32_t) { Mp3EndOfPlay(s); });
    mp3_.vbmp3_play();
    if (r.timesPlayed < INT32_MAX) ++r.timesPlayed;
    Tell(Channel::Music, "repeat");
  } else {
    r.playing = 0;
    Tell(Channel::Music, "end");
  }
}

void SoundSystem::PlayCdTrack(int32_t track, int32_t repeat) {
  ChannelRecord& r = Record(Channel::Cd);
  int stopped = 0;
  if (r.playing) stopped = StopCd();
  r.fileName = std::to_string(track);
  if (stopped != 0) return;
  if (!r.deviceAvailable && EnableMusic) OpenDevice(Channel::Cd);
  r.requestedWhileOff = !EnableMusic;
  int64_t start = 0, length = 0;
  if (!r.deviceAvailable || !platform_.audio.CdTrack(track, start, length)) {
    r.playing = 0;
    if (EnableMusic) Tell(Channel::Cd, "fail", repeat);
    return;
  }
  r.trackStart = ClampMs(start);
  r.trackLength = ClampMs(length);
  r.timesPlayed = 1;
  r.repeatCount = repeat;
  r.playing = platform_.audio.Play(AudioChannel::Cd, r.fileName, r.trackStart, r.trackLength);
  Tell(Channel::Cd, r.playing ? "play" : "fail");
}

void SoundSystem::PlayerNotify(Channel c) {
  ChannelRecord& r = Record(c);
  if (!r.playing) return;
  if (r.repeatCount != 0 && r.timesPlayed >= r.repeatCount) {
    // Over: the device stays open, the channel is idle.
    r.playing = 0;
    Tell(c, "end");
    return;
  }
  const bool again =
      c == Channel::Cd
          ? platform_.audio.Play(AudioChannel::Cd, r.fileName, r.trackStart, r.trackLength)
          : deviceLoops_[int(c)] ||
                platform_.audio.Play(static_cast<AudioChannel>(c), devicePath_[int(c)], 0, 0);
  if (!again) {
    r.playing = 0;
    Tell(c, "fail");
    return;
  }
  if (r.timesPlayed < INT32_MAX) ++r.timesPlayed;
  Tell(c, "repeat");
}

void SoundSystem::OnAudioEnded(AudioChannel channel) {
  switch (channel) {
    case AudioChannel::Music:
      if (Mp3LibraryOwnsMusic() && mp3Open_)
        mp3_.Ended();
      else
        PlayerNotify(Channel::Music);
      break;
    case AudioChannel::SoundEffect:
      PlayerNotify(Channel::SoundEffect);
      break;
    case AudioChannel::Cd:
      PlayerNotify(Channel::Cd);
      break;
    case AudioChannel::Short:
      if (shortPlaying_) platform_.observer.SoundEvent("short", "end", shortName_, 1);
      shortPlaying_ = false;
      break;
  }
}

void SoundSystem::BgmPlay(const std::string& base, const std::function<int32_t()>& repeat) {
  if (BgmMode == -1) return;
  const int32_t times = repeat();
  Record(Channel::Music).repeatCount = times;
  if (BgmMode == 4) {
    StopMusic();
    Record(Channel::Music).fileName = base + ".cda";
    const int32_t track = eval_.EvalInt(BgmTrackText(BgmMode, base));
    PlayCdTrack(track, times);
  } else if (const std::string file = BgmFileForMode(BgmMode, base); !file.empty()) {
    PlayMusic(file, times);
  }
}

void SoundSystem::BgmStop() {
  StopMusic();
  if (BgmMode == 4) StopCd();
}

void SoundSystem::ResumeAfterLoad(const ChannelRecords& saved) {
  const ChannelRecord& music = saved[int(Channel::Music)];
  const ChannelRecord& se = saved[int(Channel::SoundEffect)];
  const ChannelRecord& cd = saved[int(Channel::Cd)];
  auto wanted = [](const ChannelRecord& r) { return r.playing || r.requestedWhileOff; };
  if (BgmMode == -1) {
    if (wanted(music) && music.repeatCount == 0 && !music.fileName.empty())
      PlayMusic(music.fileName, 0);
  } else if ((wanted(music) || wanted(cd)) && !music.fileName.empty()) {
    if (BgmMode == 4) {
      const int32_t track = eval_.EvalInt(FilePart(music.fileName).substr(0, 2));
      PlayCdTrack(track, music.repeatCount);
    } else if (BgmMode >= 0 && BgmMode <= 3) {
      const std::string stem = music.fileName.substr(0, music.fileName.size() -
                                                            std::min<size_t>(4, music.fileName.size()));
      PlayMusic(BgmFileForMode(BgmMode, stem), music.repeatCount);
    }
  }
  if (wanted(se) && se.repeatCount == 0 && !se.fileName.empty()) PlaySoundEffect(se.fileName, 0);
  if (BgmMode == -1 && wanted(cd) && cd.repeatCount == 0 && !cd.fileName.empty())
    PlayCdTrack(std::atoi(cd.fileName.c_str()), 0);
}

void SoundSystem::PlayShort(const std::string& file, bool wait) {
  if (!EnableSound) return;
  if (file.empty()) {
    if (!wait) {
      platform_.audio.StopShort();
      if (shortPlaying_) platform_.observer.SoundEvent("short", "stop", shortName_, 1);
      shortPlaying_ = false;
    }
    return;
  }
  shortName_ = file;
  shortVoice_ = wait;
  shortPlaying_ = platform_.audio.PlayShort(files_.ResolveScript(file));
  platform_.observer.SoundEvent("short", shortPlaying_ ? "play" : "fail", file, 1);
  if (wait && shortPlaying_) Waits(platform_.pump, platform_.observer, click_).PumpUntil([&] {
      return !shortPlaying_;
    });
}

void SoundSystem::PlayMovie(const std::string& file, int x, int y, int w, int h) {
  Window& window = platform_.window;
  const bool popup = window.PopupEnabled();
  window.SetPopupEnabled(false);
  if (!platform_.movie.Play(files_.ResolveScript(file), x, y, w, h)) {
    window.SetPopupEnabled(popup);
    platform_.observer.SoundEvent("movie", "fail", file, 1);
    return;
  }
  platform_.observer.SoundEvent("movie", "play", file, 1);
  MovieRunning = true;
  click_.ClearClicks();
  Waits(platform_.pump, platform_.observer, click_).PumpUntil([&] {
    return !MovieRunning || click_.MouseDownFlag || click_.ClickFlag;
  });
  const bool ended = !MovieRunning;
  platform_.movie.Stop();
  MovieRunning = false;
  platform_.observer.SoundEvent("movie", ended ? "end" : "stop", file, 1);
  // The click that ended the movie belongs to it, not to the next wait.
  click_.ClearClicks();
  window.SetPopupEnabled(popup);
}

void SoundSystem::ToggleMusic() {
  ChannelRecord& music = Record(Channel::Music);
  ChannelRecord& cd = Record(Channel::Cd);
  if (EnableMusic) {
    if (cd.playing) cd.requestedWhileOff = 1;
    if (music.playing) music.requestedWhileOff = 1;
    const int a = StopMusic();
    const int b = StopCd();
    if (a == 0 && b == 0) EnableMusic = false;
    platform_.window.SetMenuItemChecked(MenuItem::Music, EnableMusic);
  } else {
    EnableMusic = true;
    platform_.window.SetMenuItemChecked(MenuItem::Music, true);
    if (cd.requestedWhileOff && cd.repeatCount == 0 && !cd.fileName.empty())
      PlayCdTrack(std::atoi(cd.fileName.c_str()), 0);
    if (music.requestedWhileOff && music.repeatCount == 0 && !music.fileName.empty())
      PlayMusic(music.fileName, 0);
  }
  click_.ClearClicks();
}

void SoundSystem::RestartMusic() {
  ChannelRecord& music = Record(Channel::Music);
  const std::string name = LowerAscii(music.fileName);
  const bool midi = name.ends_with(".mid") || name.ends_with(".midi");
  if (music.playing && midi) PlayMusic(music.fileName, music.repeatCount);
  ChannelRecord& cd = Record(Channel::Cd);
  if (cd.playing) PlayCdTrack(std::atoi(cd.fileName.c_str()), cd.repeatCount);
}

void SoundSystem::ToggleSound() {
  ChannelRecord& se = Record(Channel::SoundEffect);
  if (EnableSound) {
    EnableSound = false;
    platform_.window.SetMenuItemChecked(MenuItem::Sound, false);
    if (se.playing) se.requestedWhileOff = 1;
    StopSoundEffect();
  } else {
    EnableSound = true;
    platform_.window.SetMenuItemChecked(MenuItem::Sound, true);
    if (se.requestedWhileOff && se.repeatCount == 0 && !se.fileName.empty())
      PlaySoundEffect(se.fileName, 0);
  }
  click_.ClearClicks();
}

}  // namespace korvana
