// Opening the save/load dialog with 80 used slots, up to its first paint
// (rendered offscreen). ("slots" is a word Qt keeps for itself.)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPixmap>

#include "SlotDialog.h"
#include "core/Cp932.h"

namespace korvana {
namespace {

std::vector<SlotEntry> UsedSlots() {
  std::vector<SlotEntry> entries(80);
  for (int i = 0; i < 80; ++i) {
    std::string label = std::to_string(i + 1);
    label.resize(3, ' ');
    label += J("第三章　星の降る夜に") + std::string(44, ' ') + "(2026/12/07 12:00)";
    entries[i] = {label, true};
  }
  return entries;
}

void BM_OpenSlotDialogWith80UsedSlots(benchmark::State& state) {
  const std::vector<SlotEntry> entries = UsedSlots();
  SlotDialog dialog;
  for (auto _ : state) {
    dialog.Prepare(SlotMode::Load, entries);
    dialog.show();
    benchmark::DoNotOptimize(dialog.grab());  // the first paint
    dialog.hide();
  }
}
BENCHMARK(BM_OpenSlotDialogWith80UsedSlots)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvana

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
