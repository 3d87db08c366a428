// Saving and loading: writing one slot's three files (with and without the
// sync to disk) and loading a slot whose scene has a background, three
// masked objects, an effect and a sprite sheet.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "FullScene.h"
#include "core/Cp932.h"
#include "headless/HeadlessSession.h"
#include "save/SaveFiles.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

namespace fs = std::filesystem;

// A game whose first page clear takes a save point with a full scene.
fs::path MakeGame() {
  const fs::path dir = fs::temp_directory_path() / "korvana-bench-save";
  std::string script = bench::WriteFullScene(dir);
  for (int i = 0; i < 20; ++i) script += cp932::FromUtf8("一行の文章です。|");
  script += "&\r\n_stop\r\n";
  bench::WriteScript(dir, script);
  return dir;
}

struct SavedGame {
  SavedGame() : dir(MakeGame()), session({}, {}, dir.string()) {
    session.Run();  // ends in `_stop`, with the save point taken
  }
  fs::path dir;
  HeadlessSession session;
};

void BM_WriteSlot(benchmark::State& state) {
  SavedGame game;
  Engine& e = game.session.engine;
  const SavePoint& point = e.CurrentSavePoint();
  const SaveFolder folder(e.Files(), "");
  for (auto _ : state) {
    FileBatch batch;
    batch.write.sync = state.range(0) != 0;
    batch.record = folder.RecordPath(1);
    batch.Add(folder.SlotPath(1, ".hfd"), FlagFileBytes(point.flags));
    batch.Add(folder.SlotPath(1, ".hsd"), StatusFileBytes(point));
    batch.Add(folder.SlotPath(1, ".hld"), LogFileBytes(EngineProbe(e).Log().SavedPages()));
    benchmark::DoNotOptimize(batch.Commit());
  }
}
BENCHMARK(BM_WriteSlot)->Arg(0)->Arg(1)->ArgName("sync")->Unit(benchmark::kMillisecond);

void BM_LoadSlotWithFullScene(benchmark::State& state) {
  SavedGame game;
  Engine& e = game.session.engine;
  e.WriteSlot(1);
  for (auto _ : state) e.LoadGame(1);
}
BENCHMARK(BM_LoadSlotWithFullScene)->Unit(benchmark::kMillisecond);

// The dialog's table: the first line and the date of 80 status files.
void BM_SlotLabelsOf80UsedSlots(benchmark::State& state) {
  SavedGame game;
  Engine& e = game.session.engine;
  for (int n = 1; n <= 80; ++n) e.WriteSlot(n);
  for (auto _ : state) benchmark::DoNotOptimize(e.SlotTable());
}
BENCHMARK(BM_SlotLabelsOf80UsedSlots)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvana
