#pragma once
// Music, sound effects, CD tracks, short sounds and movies: the three channel
// records and the rules that drive the devices behind them (repeats, the BGM
// modes, the music and sound switches, the restart after a load). The devices
// are the platform's; what happens is told to the observer.
#include <cstdint>
#include <functional>
#include <string>

#include "core/ClickState.h"
#include "core/FileResolver.h"
#include "platform/Platform.h"
#include "sound/ChannelRecord.h"
#include "sound/Mp3Library.h"

namespace korvana {

class Evaluator;

// What `_bgmplay NAME` looks for under a BGM mode: the file (NAME with the
// mode's extension), or under mode 4 the text whose value is the CD track
// (the first two characters of NAME's file part). Empty where the mode plays
// nothing of that kind.
std::string BgmFileForMode(int32_t mode, const std::string& base);
std::string BgmTrackText(int32_t mode, const std::string& base);

class SoundSystem {
 public:
  // `eval` reads the track number written in a music name (BGM mode 4).
  SoundSystem(const Platform& platform, ClickState& click, const GameFiles& files,
              Evaluator& eval);

  ChannelRecords channels;
  // -1 until `_bgmmode`: `_bgmplay` then does nothing.
  int32_t BgmMode = -1;
  // The `Kmusic` and `Ksound` switches.
  bool EnableMusic = true;
  bool EnableSound = true;
  bool MovieRunning = false;

  // Hands `MP3Timing` to the MP3 library.
  void ApplyMp3Timing(int32_t timing);

  void OpenDevice(Channel channel);
  void CloseDevice(Channel channel);
  void PlayMusic(const std::string& file, int32_t repeat);
  void PlaySoundEffect(const std::string& file, int32_t repeat);
  void PlayCdTrack(int32_t track, int32_t repeat);
  // The device's error code, 0 when fine.
  int StopMusic();
  int StopSoundEffect();
  int StopCd();
  // What a load and the return to title do first.
  void StopAll();

  // `_bgmplay`: `repeat` is evaluated only when a mode is set.
  void BgmPlay(const std::string& base, const std::function<int32_t()>& repeat);
  void BgmStop();
  // Plays the channels of a loaded game again, by BGM mode.
  void ResumeAfterLoad(const ChannelRecords& saved);

  // A short sound; with `wait` the story waits for its end. An empty name
  // without `wait` stops the one that plays. Nothing while sound is off.
  void PlayShort(const std::string& file, bool wait);
  // A short sound the story waited for (a voice) is still sounding: a wait
  // that ended it early (a load, the return to the title) left it playing.
  bool VoicePlaying() const { return shortPlaying_ && shortVoice_; }
  // `_aviplay`: plays and waits until the movie ends or the window is
  // clicked.
  void PlayMovie(const std::string& file, int x, int y, int w, int h);

  // The `Kmusic` and `Ksound` menu items.
  void ToggleMusic();
  void ToggleSound();
  // The full-screen and frame switches start MIDI and CD music that was
  // playing again.
  void RestartMusic();

  // Ends reported by the devices.
  void OnAudioEnded(AudioChannel channel);
  void OnMovieEnded() { MovieRunning = false; }

 private:
  ChannelRecord& Record(Channel c) { return channels[static_cast<int>(c)]; }
  void PlayOnChannel(Channel c, const std::string& file, int32_t repeat, bool switchOn);
  void PlayMp3Library(const std::string& file, const std::string& path, int32_t repeat);
  int StopChannel(Channel c);
  bool Mp3LibraryOwnsMusic() const;
  // The completion of an MCI play: repeats what has plays left.
  void PlayerNotify(Channel c);
  void Mp3EndOfPlay(int32_t status);
  void Tell(Channel c, const char* event);
  void Tell(Channel c, const char* event, int32_t repeat);

  Platform platform_;
  ClickState& click_;
  const GameFiles& files_;
  Evaluator& eval_;
  Mp3Library mp3_;
  bool mp3Open_ = false;
  // What each channel's device was given: the resolved file.
  std::string devicePath_[3];
  // The device repeats the channel's file itself, and only reports the passes.
  bool deviceLoops_[3] = {};
  bool shortPlaying_ = false;
  bool shortVoice_ = false;
  std::string shortName_;
};

}  // namespace korvana
