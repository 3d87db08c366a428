// Script loading, label indexing and the interpreter loop.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "core/FileResolver.h"
#include "headless/HeadlessSession.h"
#include "script/Coverage.h"
#include "script/ScriptFile.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;

struct NullSink : ErrorSink {
  void ScriptError(const std::string&) override {}
  void ReportScriptError(const std::string&) override {}
};

// A folder holding a 100,000-line script: text, commands and a label every
// hundred lines.
fs::path MakeBigScript() {
  fs::path dir = fs::temp_directory_path() / "korvana-bench-script";
  fs::create_directories(dir);
  std::ofstream out(dir / "big.txt", std::ios::binary);
  for (int i = 0; i < 100000; ++i) {
    if (i % 100 == 0)
      out << ":label" << i << "\r\n";
    else if (i % 3 == 0)
      out << "_$flg[" << i % 256 << "]=$flg[1]+" << i << "*2\r\n";
    else
      out << "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd text line number " << i << "\r\n";
  }
  return dir;
}

void BM_LoadAndIndex100kLines(benchmark::State& state) {
  const GameFiles game(MakeBigScript().string());
  NullSink sink;
  for (auto _ : state) {
    ScriptFile file(sink);
    file.SetLines(ScriptFile::OpenScriptFile("big.txt", game, kDefaultScriptKey));
    benchmark::DoNotOptimize(file.LabelNames().size());
  }
}
BENCHMARK(BM_LoadAndIndex100kLines)->Unit(benchmark::kMillisecond);

// One million executed lines: assignments with expressions, a conditional
// line and a jump, headless; with `coverage`, counted as --coverage does.
void MillionLineLoop(benchmark::State& state, bool coverage) {
  fs::path dir = fs::temp_directory_path() / "korvana-bench-loop";
  fs::create_directories(dir);
  {
    std::ofstream out(dir / "autorun.txt", std::ios::binary);
    out << ":top\r\n"
           "_$flg[1]=$flg[1]+1\r\n"
           "_$flg[2]=($flg[1]*3+7)%1000\r\n"
           "_($flg[2]>500), _$flg[3]=$flg[3]+1\r\n"
           "_goto :top\r\n";
  }
  for (auto _ : state) {
    HeadlessSession session({.maxLines = 1000000}, {}, dir.string());
    CoverageRecorder recorder;
    if (coverage) session.engine.SetCoverage(&recorder);
    session.Run();
    benchmark::DoNotOptimize(session.flags.Get(3));
  }
}

void BM_MillionLineLoop(benchmark::State& state) {
  MillionLineLoop(state, false);
}
BENCHMARK(BM_MillionLineLoop)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MillionLineLoopCounted(benchmark::State& state) {
  MillionLineLoop(state, true);
}
BENCHMARK(BM_MillionLineLoopCounted)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace korvana
