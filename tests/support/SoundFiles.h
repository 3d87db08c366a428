#pragma once
// Sounds and discs made byte by byte inside a test, and what a listener
// would measure of a recording.
#include <cstdint>
#include <string>
#include <vector>

#include "TempDir.h"

namespace korvana::test {

constexpr int kRate = 44100;

// Interleaved stereo 16-bit frames of a sine of `hz` with peak `amplitude`.
std::vector<int16_t> Tone(int64_t ms, double hz, int amplitude);
// A PCM WAV file of interleaved stereo 16-bit frames at kRate.
std::string WavBytes(const std::vector<int16_t>& frames);
// A one-track MIDI file that sounds one note for `ms`.
std::string MidiNote(int ms);
// A disc image of audio tracks, one after another in "disc.bin", each padded
// to whole sectors; returns the path of the "disc.cue" that describes it.
std::string WriteDiscImage(const TempDir& dir, const std::vector<std::vector<int16_t>>& tracks);

// The part of a recording that sounds (from the first to the last sample
// louder than `threshold`), in frames, and its root mean square.
struct Heard {
  int64_t frames = 0;
  double rms = 0;
  int64_t Ms() const { return frames * 1000 / kRate; }
};
Heard Measure(const std::vector<int16_t>& frames, int threshold = 300);

}  // namespace korvana::test
