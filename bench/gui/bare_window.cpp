// The floor under the window's idle figures (bench/idle_probe.sh): a bare
// Qt window of the screen's size that does only what the program's window
// does at a click wait or while text is drawn — one small square repainted
// every 100 ms — with no engine, sound, fonts or pictures of ours behind it.
// Whatever it costs, the program cannot cost less with this toolkit on this
// display.
//   bench_gui_bare_window marker   a 32 × 32 square in one place (the marker)
//   bench_gui_bare_window text     a 27 × 27 square moving 24 pixels along a line
//                                  (a 24-pixel character's cell with its shadow,
//                                  each overlapping the one before, as text does)
//   bench_gui_bare_window apart    the same squares 27 pixels apart
//   bench_gui_bare_window still    nothing after the first frame
// Prints "click-wait <peak resident kB>" on stderr once the first frame is
// shown, as the program does with KORVANA_FIRST_FRAME_PROBE=1.
#include <sys/resource.h>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstring>

namespace {

class Screen : public QWidget {
 public:
  Screen() {
    picture_.fill(0x336699);
    setFixedSize(picture_.size());
  }
  // Draws the next frame of a size × size square at (x, y) and asks for it.
  void Frame(int x, int y, int size) {
    frame_ = (frame_ + 1) % 8;
    for (int row = 0; row < size; ++row)
      for (int column = 0; column < size; ++column)
        picture_.setPixel(x + column, y + row, column / 4 == frame_ ? 0xFFE080 : 0);
    update(x, y, size, size);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPainter painter(this);
    painter.drawImage(event->rect(), picture_, event->rect());
  }

 private:
  QImage picture_{640, 480, QImage::Format_RGB32};
  int frame_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const char* mode = argc > 1 ? argv[1] : "marker";
  Screen screen;
  screen.show();
  QTimer timer;
  int step = 0;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (std::strcmp(mode, "text") == 0)
      screen.Frame(20 + 24 * (step++ % 24), 400, 27);
    else if (std::strcmp(mode, "apart") == 0)
      screen.Frame(20 + 27 * (step++ % 22), 400, 27);
    else
      screen.Frame(600, 440, 32);
  });
  if (std::strcmp(mode, "still") != 0) timer.start(100);
  QTimer::singleShot(0, [] {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr, "click-wait\t%ld kB\n", usage.ru_maxrss);
  });
  return app.exec();
}
