// Memory over a long headless run: a loop of text, transitions, an effect, a
// sprite, sounds, a movie and a save, run the way `korvana --headless` runs
// it, printing the resident set size as the passes go. After the first
// minute the figures must stay flat.
//
// KORVANA_LONG_RUN_SECONDS sets how long it runs (default 120; 1800 for the
// half-hour run); KORVANA_LONG_RUN_EVERY how many passes lie between two
// printed lines (default 250).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "headless/HeadlessSession.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;

int64_t EnvOr(const char* name, int64_t fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoll(v) : fallback;
}

// Resident set size in KB, from /proc/self/statm.
int64_t ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  int64_t pages = 0, resident = 0;
  statm >> pages >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The demo's pictures, sounds and movie under a loop script of our own.
fs::path MakeLoopGame() {
  const fs::path demo = fs::path(KORVANA_SOURCE_DIR) / "games/demo";
  const fs::path dir = fs::temp_directory_path() / "korvana-bench-long-run";
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const char* f : {"bgroom.png", "bgsky.png", "chara.png", "glow.png", "stars.png",
                        "chime.wav", "step.wav", "bgm01.mid", "moonrise.avi", "krv.cfg"})
    fs::copy_file(demo / f, dir / f);
  std::ofstream out(dir / "autorun.txt", std::ios::binary);
  // The text is CP932: "loop" in katakana, then the pass number.
  out << "_bgmmode 0\r\n"
         "_bgmplay bgm01,1\r\n"
         ":top\r\n"
         "_bgload bgroom.png\r\n"
         "_objput 0,chara.png,#00FF00,#CENTER,#BOTTOM\r\n"
         "_fade #WIPE0\r\n"
         "_efload glow.png,#NONE,0\r\n"
         "_efset 1,#SCREEN,380,20,1\r\n"
         "_fade #BLEND0\r\n"
         "_sprload stars.png,32,32,#FF00FF\r\n"
         "_sprput 0,100,80\r\n"
         "_pcmplay chime.wav,1\r\n"
         "~00000001\x83\x8b\x81\x5b\x83\x76<O\"step.wav\"> [$flg[1],]\r\n"
         "_aviplay moonrise.avi,160,120,320,240\r\n"
         "_objclear\r\n"
         "_efset -1\r\n"
         "_textclear\r\n"
         "_bgload bgsky.png\r\n"
         "_fade #TILE0\r\n"
         "_$flg[1]=$flg[1]+1\r\n"
         "_goto :top\r\n";
  return dir;
}

void BM_LongRunMemory(benchmark::State& state) {
  const fs::path game = MakeLoopGame();
  const int64_t seconds = EnvOr("KORVANA_LONG_RUN_SECONDS", 120);
  const int64_t every = std::max<int64_t>(EnvOr("KORVANA_LONG_RUN_EVERY", 250), 1);
  for (auto _ : state) {
    HeadlessSession session({.maxWallMs = seconds * 1000}, {}, game.string());
    session.platform.userDataHome.clear();
    // As the command does with --transcript: every line goes to the file.
    std::FILE* transcript = std::fopen("/dev/null", "wb");
    session.platform.StreamTranscript(transcript);
    if (!session.Prepare()) state.SkipWithError("the loop game does not start");

    const auto start = std::chrono::steady_clock::now();
    int64_t passes = 0, afterMinutePass = -1, afterMinuteKb = 0, lastPass = 0, lastKb = 0;
    double lastSeconds = 0;
    std::printf("%8s %9s %10s\n", "pass", "seconds", "RSS KB");
    session.platform.onClickWait = [&] {
      ++passes;
      // Each pass saves to slot 1, as a player saving at every page would.
      session.engine.WriteSlot(1);
      if (passes % every != 0) return;
      lastSeconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      lastPass = passes;
      lastKb = ResidentKb();
      if (afterMinutePass < 0 && lastSeconds >= 60) {
        afterMinutePass = passes;
        afterMinuteKb = lastKb;
      }
      std::printf("%8lld %9.1f %10lld\n", static_cast<long long>(passes), lastSeconds,
                  static_cast<long long>(lastKb));
      std::fflush(stdout);
    };
    session.Run();
    std::fclose(transcript);
    state.counters["passes"] = static_cast<double>(passes);
    state.counters["rss_kb_end"] = static_cast<double>(lastKb);
    if (afterMinutePass > 0 && lastPass > afterMinutePass) {
      state.counters["rss_kb_at_1min"] = static_cast<double>(afterMinuteKb);
      state.counters["bytes_per_pass_after_1min"] =
          static_cast<double>(lastKb - afterMinuteKb) * 1024.0 /
          static_cast<double>(lastPass - afterMinutePass);
    }
    std::printf("end: %s after %.1f s\n", session.endReason.c_str(), lastSeconds);
  }
  fs::remove_all(game);
}
BENCHMARK(BM_LongRunMemory)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
}  // namespace korvana
