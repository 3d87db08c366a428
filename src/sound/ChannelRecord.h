#pragma once
// One playback channel's record (music, sound effect, CD), in the field
// order saved games keep. The channel logic that fills it lives beside it;
// until a channel has played, a record holds these reset values.
#include <array>
#include <cstdint>
#include <string>

#include "core/SavedFields.h"

namespace korvana {

struct ChannelRecord {
  // The name as the script gave it (before "%DATA_DRIVE%" expansion); for the
  // CD channel the track number in decimal.
  std::string fileName;
  // 1 after a play starts, +1 at each repeat, 0 after a stop.
  int32_t timesPlayed = 0;
  // Plays wanted in all; 0 is endless.
  int32_t repeatCount = 0;
  // CD channel only: the track's start and length in milliseconds.
  int32_t trackStart = 0;
  int32_t trackLength = 0;
  uint8_t playing = 0;
  uint8_t deviceAvailable = 0;
  // A play was asked for, or ran, while that kind of sound was switched off.
  uint8_t requestedWhileOff = 0;

  template <typename Self, typename Visit>
  static constexpr void Fields(Self& s, Visit&& visit) {
    visit("fileName", s.fileName);
    visit("timesPlayed", s.timesPlayed);
    visit("repeatCount", s.repeatCount);
    visit("trackStart", s.trackStart);
    visit("trackLength", s.trackLength);
    visit("playing", s.playing);
    visit("deviceAvailable", s.deviceAvailable);
    visit("requestedWhileOff", s.requestedWhileOff);
  }
  bool operator==(const ChannelRecord&) const = default;
};
static_assert(saved::kListsEveryMember<ChannelRecord>,
              "a member of ChannelRecord is missing from its Fields list");

enum class Channel { Music = 0, SoundEffect = 1, Cd = 2 };
using ChannelRecords = std::array<ChannelRecord, 3>;

}  // namespace korvana
