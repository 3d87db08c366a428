// Memory while a long sound plays: a WAV file of ten minutes, written here
// and removed after, played as a sound effect and as a ripped CD track on
// SDL's dummy device (which plays in real time into nothing). Reports the
// resident memory of the idle program and the peak above it during the
// first two seconds of each play; decoded whole, the sound alone would be
// its 101 MB of samples.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "backends/sdl/SdlAudio.h"

namespace korvana {
namespace {

constexpr int kRate = 44100;
constexpr int kMinutes = 10;

// Kilobytes of a /proc/self/status field (VmRSS, VmHWM).
double StatusMb(const char* field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  const std::string key = std::string(field) + ":";
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::atof(line.c_str() + key.size()) / 1024.0;
  return -1;
}

// Lets the peak start again from what is resident now.
void ResetPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

// A stereo 16-bit tone, written a second at a time.
void WriteLongWav(const std::string& path) {
  const uint32_t frames = uint32_t{kRate} * 60 * kMinutes;
  const uint32_t bytes = frames * 4;
  std::ofstream out(path, std::ios::binary);
  const auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  const auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out << "RIFF";
  u32(36 + bytes);
  out << "WAVEfmt ";
  u32(16), u16(1), u16(2), u32(kRate), u32(kRate * 4), u16(4), u16(16);
  out << "data";
  u32(bytes);
  std::vector<int16_t> second(kRate * 2);
  for (int i = 0; i < kRate; ++i)
    second[2 * i] = second[2 * i + 1] = static_cast<int16_t>(8000 * std::sin(i * 0.0627));
  for (int s = 0; s < 60 * kMinutes; ++s)
    out.write(reinterpret_cast<const char*>(second.data()), second.size() * 2);
}

void PlayLongSound(benchmark::State& state, AudioChannel channel) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("korvana-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "cdda");
  const std::string sound = (dir / "cdda" / "track02.wav").string();
  WriteLongWav(sound);
  double idle = 0, peak = 0;
  for (auto _ : state) {
    SdlAudio audio([](std::function<void()>) {});
    if (!audio.OpenMixer()) {
      state.SkipWithError("no audio device");
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ResetPeak();
    idle = StatusMb("VmRSS");
    const bool playing = channel == AudioChannel::Cd
                             ? audio.OpenCd({(dir / "cdda").string()}) &&
                                   audio.Play(channel, "2", 0, 0)
                             : audio.Play(channel, sound, 0, 0);
    if (!playing) {
      state.SkipWithError("the sound did not play");
      break;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2));
    peak = StatusMb("VmHWM");
    audio.Stop(channel);
  }
  std::filesystem::remove_all(dir);
  state.counters["idle_MB"] = idle;
  state.counters["peak_above_idle_MB"] = peak - idle;
}

BENCHMARK_CAPTURE(PlayLongSound, effect, AudioChannel::SoundEffect)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PlayLongSound, ripped_track, AudioChannel::Cd)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvana
