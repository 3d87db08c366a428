// Pictures named in another letter case than their files, from a folder of
// few files and from one of many: the cost of a name must not grow with the
// folder. 5,000 loads of 1 × 1 pictures, headless, so the lookups are what
// is timed; the same 20 pictures in both folders, so the file system's own
// cost of opening many different files is not counted against the lookups.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "FullScene.h"
#include "graphics/Picture.h"
#include "headless/HeadlessSession.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;

constexpr int kLoads = 5000;

fs::path MakeGame(int files, bool otherCase) {
  const fs::path dir = fs::temp_directory_path() / ("korvana-bench-lookup-" + std::to_string(files));
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string png = *EncodePng(Picture(1, 1, 0x336699));
  char name[32];
  for (int i = 0; i < files; ++i) {
    std::snprintf(name, sizeof name, "pic%05d.png", i);
    std::ofstream(dir / name, std::ios::binary) << png;
  }
  std::string script;
  for (int i = 0; i < kLoads; ++i) {
    std::snprintf(name, sizeof name, otherCase ? "PIC%05d.PNG" : "pic%05d.png", i % 20 * (files / 20));
    script += std::string("_bgload ") + name + "\r\n";
  }
  bench::WriteScript(dir, script);
  return dir;
}

// The second argument 1 names the files in another case; 0 in their own, the
// file system's part of the cost, which no lookup of ours can lower.
void BM_FiveThousandLoads(benchmark::State& state) {
  const fs::path dir = MakeGame(static_cast<int>(state.range(0)), state.range(1) != 0);
  for (auto _ : state) {
    HeadlessSession session({}, {}, dir.string());
    session.Run();
    benchmark::DoNotOptimize(session.failed);
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_FiveThousandLoads)
    ->ArgsProduct({{20, 20000}, {0, 1}})
    ->ArgNames({"files", "other_case"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvana
