// A page back: the memory of the pages kept (the screen page and the hundred
// before it, each with a full scene and a full log) and the time of one step
// back until the restored page's text starts to be drawn.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <filesystem>

#include "FullScene.h"
#include "core/Cp932.h"
#include "headless/HeadlessSession.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;

// A scene of a background, three masked objects, an effect and a sprite
// sheet, then 130 pages of ten lines each, every page one flag further and
// one number drawn.
fs::path MakeGame() {
  const fs::path dir = fs::temp_directory_path() / "korvana-bench-pages";
  std::string script = bench::WriteFullScene(dir) +
      ":top\r\n_$flg[1]=$flg[1]+1\r\n_$flg[2]=$sys[30]\r\n";
  for (int i = 0; i < 10; ++i) script += cp932::FromUtf8("一行の文章です。|");
  script += "&\r\n_($flg[1]<130), _goto :top\r\n";
  bench::WriteScript(dir, script);
  return dir;
}

struct ReadGame {
  ReadGame() : dir(MakeGame()), session({}, {}, dir.string()) {
    session.Run();  // every page read, the last 101 kept
  }
  fs::path dir;
  HeadlessSession session;
};

size_t HeapInUse() {
  return mallinfo2().uordblks;
}

// What the pages kept take: the heap in use before and after they are let go.
void BM_MemoryOfTheKeptPages(benchmark::State& state) {
  size_t bytes = 0, pages = 0;
  for (auto _ : state) {
    state.PauseTiming();
    {
      ReadGame game;
      pages = game.session.engine.Pages().Size();
      const size_t full = HeapInUse();
      EngineProbe(game.session.engine).PokePages().Clear();
      bytes = full - HeapInUse();
    }
    state.ResumeTiming();
  }
  state.counters["pages"] = static_cast<double>(pages);
  state.counters["MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["KB_per_page"] = static_cast<double>(bytes) / 1e3 / static_cast<double>(pages);
}
BENCHMARK(BM_MemoryOfTheKeptPages)->Iterations(1)->Unit(benchmark::kMillisecond);

// One step back: sound stopped, scene, log, state and sound restored, the
// scene shown; the restored page's text is what comes next.
void BM_StepBack(benchmark::State& state) {
  ReadGame game;
  Engine& e = game.session.engine;
  for (auto _ : state) {
    if (!e.StepPage(-1)) {
      state.PauseTiming();
      while (e.StepPage(1)) {
      }
      state.ResumeTiming();
      e.StepPage(-1);
    }
  }
}
BENCHMARK(BM_StepBack)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvana
