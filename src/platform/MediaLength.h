#pragma once
// How long a sound or movie file plays, as its decoder reads it: the
// headless platform lets that much virtual time pass for each play.
#include <cstdint>
#include <string>

namespace korvana {

// Milliseconds, or -1 when the file cannot be decoded. MIDI files are timed
// from their tempo map; everything else through FFmpeg.
int64_t MediaLengthMs(const std::string& path);
// The same for a movie: -1 as well when it has no picture to show.
int64_t MovieLengthMs(const std::string& path);

}  // namespace korvana
