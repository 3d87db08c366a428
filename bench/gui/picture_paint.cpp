// Painting the picture into the window's pixels in each way the reader can
// choose: a whole frame (a transition step) and a glyph's few pixels (text
// being written), sharp at 2x, and on a 1280 x 800 full screen fitted, crisp
// and smooth.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include "PicturePlacement.h"

namespace korvana {
namespace {

struct Mode {
  QSize window;
  ScalingChoice choice;
};

const Mode kModes[] = {
    {{1280, 960}, {}},             // 0: sharp 2x
    {{1280, 800}, {false, true}},  // 1: fitted, crisp
    {{1280, 800}, {true, true}},   // 2: fitted, smooth
};

void Paint(benchmark::State& state, QRect exposed) {
  const Mode& mode = kModes[state.range(0)];
  QImage picture(640, 480, QImage::Format_RGB32);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) picture.setPixel(x, y, qRgb(x % 256, y % 256, (x ^ y) % 256));
  QImage window(mode.window, QImage::Format_RGB32);
  const PicturePlacement placed = PlacePicture(mode.window, 1, mode.choice);
  if (exposed.isEmpty()) exposed = QRect(QPoint(), mode.window);
  for (auto _ : state) {
    QPainter painter(&window);
    PaintPicture(painter, picture, placed, exposed);
  }
}

void BM_PaintWholeFrame(benchmark::State& state) {
  Paint(state, QRect());
}
BENCHMARK(BM_PaintWholeFrame)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_PaintAGlyph(benchmark::State& state) {
  // About one 24-pixel character at the picture's middle.
  Paint(state, QRect(600, 380, 48, 48));
}
BENCHMARK(BM_PaintAGlyph)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace korvana

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
