// Opening the save/load dialog with 80 used slots, up to its first paint
// (rendered offscreen). ("slots" is a word Qt keeps for itself.)
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <fstream>

#include "SlotDialog.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "save/SaveFiles.h"

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

// What the player waits for when choosing "データ読み込み" with every slot
// used, the quick and automatic ones too: the labels read from the save
// folder (84 status files and their pictures) and the dialog's first paint
// with the pictures of the page shown.
void BM_LoadDialogFrom84SavedSlotsWithPictures(benchmark::State& state) {
  QTemporaryDir dir;
  QImage thumbnail(kThumbnailWidth, kThumbnailHeight, QImage::Format_RGB32);
  for (int y = 0; y < kThumbnailHeight; ++y)
    for (int x = 0; x < kThumbnailWidth; ++x) thumbnail.setPixel(x, y, qRgb(x, y, x ^ y));
  for (int n = 1; n <= kLastSlot; ++n) {
    const QString base = dir.path() + "/data" + QString::number(n);
    std::ofstream(base.toStdString() + ".hsd", std::ios::binary)
        << J("第三章　星の降る夜に") << "\r\n";
    thumbnail.save(base + ".png", "png");
  }
  const GameFiles game(dir.path().toStdString());
  const SaveFolder folder(game, "");
  SlotDialog dialog;
  for (auto _ : state) {
    dialog.Prepare(SlotMode::Load, SlotLabels(folder, kLastSlot));
    dialog.show();
    benchmark::DoNotOptimize(dialog.grab());
    dialog.hide();
  }
}
BENCHMARK(BM_LoadDialogFrom84SavedSlotsWithPictures)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvana

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
