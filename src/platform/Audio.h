#pragma once
// The sound devices: one player per channel, as the channel logic of
// sound/ drives them. Ends are reported through InputSink::OnAudioEnded on
// the pump's thread.
#include <cstdint>
#include <string>

#include "platform/Input.h"

namespace korvana {

class Audio {
 public:
  virtual ~Audio() = default;
  // Opens the channel's device; false when it is not available. For the CD
  // channel `device` is the disc's root, else it is unused.
  virtual bool Open(AudioChannel channel, const std::string& device) = 0;
  virtual bool Close(AudioChannel channel) = 0;
  // Plays `path` (UTF-8, resolved) on an open channel from `startMs` for
  // `lengthMs` milliseconds (0: to the end). For the CD channel `path` is the
  // track number in decimal. False when it cannot start.
  virtual bool Play(AudioChannel channel, const std::string& path, int64_t startMs,
                    int64_t lengthMs) = 0;
  // The device's error code: 0 when the stop went well.
  virtual int Stop(AudioChannel channel) = 0;
  // A short sound of message text or a menu: waits for its end with `wait`;
  // an empty path stops the one that plays.
  virtual void PlayShort(const std::string& path, bool wait) = 0;
  // Start and length of a disc track in milliseconds; false when the disc
  // has no such track.
  virtual bool CdTrack(int track, int64_t& startMs, int64_t& lengthMs) = 0;
};

}  // namespace korvana
