#pragma once
// The sound devices: one player per channel, as the channel logic of
// sound/ drives them. A play that runs to its end is reported through
// InputSink::OnAudioEnded on the pump's thread; a stopped one is not.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Input.h"

namespace korvana {

class Audio {
 public:
  virtual ~Audio() = default;
  // Opens the music or sound-effect channel's device on `path` (UTF-8,
  // resolved); false when there is no device or the file cannot be decoded.
  virtual bool Open(AudioChannel channel, const std::string& path) = 0;
  // Opens the CD channel: ripped tracks "trackNN" (.flac .ogg .opus .wav
  // .mp3, any case) in the first of `trackFolders` that holds one, else the
  // first drive with an audio disc. False when there is neither.
  virtual bool OpenCd(const std::vector<std::string>& trackFolders) = 0;
  virtual bool Close(AudioChannel channel) = 0;
  // Plays once on an open channel: for music and sound effects `path`
  // (opened first when another file is open), from `startMs` for `lengthMs`
  // milliseconds (0: to the end); for the CD channel `path` is the track
  // number in decimal and the positions are the disc's. False when it cannot
  // start.
  virtual bool Play(AudioChannel channel, const std::string& path, int64_t startMs,
                    int64_t lengthMs) = 0;
  // Plays `path` on the music channel `plays` times back to back (0: until
  // stopped), the end of each pass reported as a play's end, where the
  // device joins the passes more closely than a Play after each end would:
  // a synthesiser keeps sounding its release for seconds after a song's last
  // note, and only its own loop goes on at once. False when the device does
  // not loop this file; the channel logic then plays it once at a time.
  virtual bool PlayLooped(AudioChannel channel, const std::string& path, int32_t plays) {
    (void)channel, (void)path, (void)plays;
    return false;
  }
  // Stops the channel without an end report; the device's error code, 0
  // when the stop went well.
  virtual int Stop(AudioChannel channel) = 0;
  // A short sound of message text or a menu, on its own channel; it replaces
  // the one that plays. Its end is reported as AudioChannel::Short. False
  // when it cannot be played.
  virtual bool PlayShort(const std::string& path) = 0;
  virtual void StopShort() = 0;
  // Start and length of a track of the open CD channel in milliseconds
  // (ripped tracks start at 0); false when there is no such track.
  virtual bool CdTrack(int track, int64_t& startMs, int64_t& lengthMs) = 0;
};

}  // namespace korvana
