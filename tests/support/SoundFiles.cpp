#include "SoundFiles.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

namespace korvana::test {
namespace {

constexpr int kSectorFrames = 588;

void Put16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xff);
  out += static_cast<char>((v >> 8) & 0xff);
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xffff);
  Put16(out, v >> 16);
}
void Put32BigEndian(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xff);
}

std::string Samples(const std::vector<int16_t>& frames) {
  std::string out;
  for (int16_t s : frames) Put16(out, static_cast<uint16_t>(s));
  return out;
}

}  // namespace

std::vector<int16_t> Tone(int64_t ms, double hz, int amplitude) {
  const int64_t count = ms * kRate / 1000;
  std::vector<int16_t> frames;
  frames.reserve(static_cast<size_t>(count) * 2);
  for (int64_t i = 0; i < count; ++i) {
    const auto s = static_cast<int16_t>(std::lround(
        amplitude * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / kRate)));
    frames.push_back(s);
    frames.push_back(s);
  }
  return frames;
}

std::string WavBytes(const std::vector<int16_t>& frames) {
  const std::string data = Samples(frames);
  std::string out = "RIFF";
  Put32(out, static_cast<uint32_t>(36 + data.size()));
  out += "WAVEfmt ";
  Put32(out, 16);
  Put16(out, 1);  // PCM
  Put16(out, 2);
  Put32(out, kRate);
  Put32(out, kRate * 4);
  Put16(out, 4);
  Put16(out, 16);
  out += "data";
  Put32(out, static_cast<uint32_t>(data.size()));
  return out + data;
}

std::string MidiNote(int ms) {
  // 480 ticks a quarter note at the default 120 beats a minute: a tick is
  // 1/960 s.
  const uint32_t ticks = static_cast<uint32_t>(ms) * 960 / 1000;
  std::string track;
  track += std::string("\x00\xC0\x00", 3);      // piano
  track += std::string("\x00\x90\x45\x64", 4);  // A4 on
  // The note's length as a variable-length quantity.
  std::string delta(1, static_cast<char>(ticks & 0x7f));
  for (uint32_t rest = ticks >> 7; rest; rest >>= 7)
    delta.insert(delta.begin(), static_cast<char>(0x80 | (rest & 0x7f)));
  track += delta + std::string("\x80\x45\x40", 3);
  track += std::string("\x00\xFF\x2F\x00", 4);
  std::string out = "MThd";
  Put32BigEndian(out, 6);
  out += std::string("\x00\x00\x00\x01\x01\xE0", 6);  // format 0, one track, 480
  out += "MTrk";
  Put32BigEndian(out, static_cast<uint32_t>(track.size()));
  return out + track;
}

std::string WriteDiscImage(const TempDir& dir, const std::vector<std::vector<int16_t>>& tracks) {
  std::string bin;
  std::string cue = "FILE \"disc.bin\" BINARY\n";
  for (size_t t = 0; t < tracks.size(); ++t) {
    const size_t sector = bin.size() / (kSectorFrames * 4);
    char entry[96];
    std::snprintf(entry, sizeof entry, "  TRACK %02zu AUDIO\n    INDEX 01 %02zu:%02zu:%02zu\n",
                  t + 1, sector / 75 / 60, sector / 75 % 60, sector % 75);
    cue += entry;
    bin += Samples(tracks[t]);
    bin.resize((bin.size() + kSectorFrames * 4 - 1) / (kSectorFrames * 4) * (kSectorFrames * 4));
  }
  dir.Write("disc.bin", bin);
  return dir.Write("disc.cue", cue);
}

Heard Measure(const std::vector<int16_t>& frames, int threshold) {
  const size_t count = frames.size() / 2;
  size_t first = count, last = 0;
  for (size_t i = 0; i < count; ++i) {
    if (std::abs(frames[2 * i]) > threshold || std::abs(frames[2 * i + 1]) > threshold) {
      if (first == count) first = i;
      last = i;
    }
  }
  if (first == count) return {};
  double sum = 0;
  for (size_t i = 2 * first; i < 2 * (last + 1); ++i) sum += double(frames[i]) * frames[i];
  const auto span = static_cast<int64_t>(last - first + 1);
  return Heard{span, std::sqrt(sum / (2.0 * static_cast<double>(span)))};
}

}  // namespace korvana::test
