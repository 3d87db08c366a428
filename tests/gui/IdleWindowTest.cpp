// The window while the story waits for a click: it wakes only for a marker
// that moves, and then repaints only the marker's square.
#include <QImage>
#include <QPainter>
#include <QPaintEvent>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <string>
#include <vector>

#include "GuiGame.h"
#include "GuiTests.h"
#include "MainWindow.h"
#include "script/EngineProbe.h"

using namespace korvana;

using test::Game;

namespace {

// A marker picture of `frames` frames of 32 × 32 in two rows, black around
// a yellow square that moves `step` pixels a frame.
void WriteMarker(const std::string& path, int frames, int step) {
  QImage icon(frames * 32, 64, QImage::Format_RGB32);
  icon.fill(Qt::black);
  QPainter painter(&icon);
  for (int f = 0; f < frames; ++f)
    for (int row = 0; row < 2; ++row)
      painter.fillRect(f * 32 + 8 + f * step, row * 32 + 10, 10, 10, QColor(255, 224, 128));
  painter.end();
  QVERIFY(icon.save(QString::fromStdString(path), "PNG"));
}

struct PaintWatch : QObject {
  std::vector<QRect> painted;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) painted.push_back(static_cast<QPaintEvent*>(e)->rect());
    return false;
  }
};

bool MarkerRunning(Game& g) {
  return EngineProbe(g.app->engine).Message().MarkerRunning();
}

// Runs `atWait` from a timer inside the story's first click wait (the story's
// wait runs its own event loop, under the test's), until it says it is done;
// then a click ends the wait and the story runs to its end.
void AtFirstClickWait(Game& g, std::function<bool()> atWait) {
  EngineProbe probe(g.app->engine);
  bool done = false;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (done || !probe.Message().InClickWait() || !atWait()) return;
    done = true;
    QTest::keyClick(g.app->window.get(), Qt::Key_Return);
  });
  poll.start(5);
  QTRY_VERIFY_WITH_TIMEOUT(done && g.Flag(9) == "1", test::kSettleMs);
}

}  // namespace

class IdleWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void theMarkersTimerRunsOnlyWhenTheMarkerChanges() {
    struct Row {
      const char* name;
      int frames;  // 0: no marker picture
      int step;
      bool ticks;
    };
    const Row rows[] = {
        {"moving", 8, 1, true},
        {"the same in every frame", 8, 0, false},
        // Frames past the picture's edge draw nothing: the marker blinks.
        {"one frame", 1, 0, true},
        {"no marker", 0, 0, false},
    };
    for (const Row& row : rows) {
      Game g(row.frames ? "SavePath=.\\\r\nIcon=icon.png\r\n" : "SavePath=.\\\r\n",
             "_textwait 0\r\nあ\r\n_$flg[9]=1\r\n");
      if (row.frames) WriteMarker(g.dir.str() + "/icon.png", row.frames, row.step);
      QVERIFY(g.app->Open());
      QtPlatform& platform = g.app->platform;
      bool enabled = false, ticks = !row.ticks, withCtrl = false, afterCtrl = !row.ticks;
      AtFirstClickWait(g, [&] {
        // The marker starts a moment after the wait does.
        if (!MarkerRunning(g)) return false;
        enabled = platform.Timer1Enabled();
        ticks = platform.Timer1Ticking();
        // Held Ctrl is noticed at the ticks, whatever the marker.
        platform.SetCtrlHeld(true);
        withCtrl = platform.Timer1Ticking();
        platform.SetCtrlHeld(false);
        afterCtrl = platform.Timer1Ticking();
        return true;
      });
      QVERIFY2(enabled, row.name);
      QVERIFY2(ticks == row.ticks, row.name);
      QVERIFY2(withCtrl, row.name);
      QVERIFY2(afterCtrl == row.ticks, row.name);
    }
  }

  void aMovingMarkerRepaintsOnlyItsSquare() {
    Game g("SavePath=.\\\r\nIcon=icon.png\r\n", "_textwait 0\r\nあ\r\n_$flg[9]=1\r\n");
    WriteMarker(g.dir.str() + "/icon.png", 8, 1);
    QVERIFY(g.app->Open());
    PaintWatch watch;
    QElapsedTimer running;
    bool watching = false;
    AtFirstClickWait(g, [&] {
      if (!MarkerRunning(g)) return false;
      // What the page itself changed may still be on its way to the screen.
      if (!running.isValid()) running.start();
      if (running.elapsed() < 150) return false;
      if (!watching) g.app->window->installEventFilter(&watch);
      watching = true;
      return watch.painted.size() >= 3;
    });
    g.app->window->removeEventFilter(&watch);
    const QRect square = g.app->window->ToWindow(QRect(0, 0, 32, 32));
    QVERIFY(watch.painted.size() >= 3);
    for (const QRect& r : watch.painted) {
      QVERIFY2(r.width() <= square.width() + 2 && r.height() <= square.height() + 2,
               qPrintable(QStringLiteral("%1×%2").arg(r.width()).arg(r.height())));
    }
  }
};

KORVANA_GUI_TEST(IdleWindowTest);
#include "IdleWindowTest.moc"
