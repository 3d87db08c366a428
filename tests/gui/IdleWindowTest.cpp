// The window while the story waits for a click: it wakes only for a marker
// that moves, and then repaints only the marker's square.
#include <QImage>
#include <QPainter>
#include <QPaintEvent>
#include <QtTest>
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
      EngineProbe probe(g.app->engine);
      QTRY_VERIFY_WITH_TIMEOUT(probe.Message().InClickWait(), test::kSettleMs);
      QtPlatform& platform = g.app->platform;
      QVERIFY2(platform.Timer1Enabled(), row.name);
      QVERIFY2(platform.Timer1Ticking() == row.ticks, row.name);
      // Held Ctrl is noticed at the ticks, whatever the marker.
      platform.SetCtrlHeld(true);
      QVERIFY2(platform.Timer1Ticking(), row.name);
      platform.SetCtrlHeld(false);
      QVERIFY2(platform.Timer1Ticking() == row.ticks, row.name);
      QCOMPARE(g.Flag(9), std::string("0"));
    }
  }

  void aMovingMarkerRepaintsOnlyItsSquare() {
    Game g("SavePath=.\\\r\nIcon=icon.png\r\n", "_textwait 0\r\nあ\r\n");
    WriteMarker(g.dir.str() + "/icon.png", 8, 1);
    QVERIFY(g.app->Open());
    EngineProbe probe(g.app->engine);
    QTRY_VERIFY_WITH_TIMEOUT(probe.Message().InClickWait(), test::kSettleMs);
    PaintWatch watch;
    g.app->window->installEventFilter(&watch);
    QTRY_VERIFY_WITH_TIMEOUT(watch.painted.size() >= 3, test::kSettleMs);
    g.app->window->removeEventFilter(&watch);
    const QRect square = g.app->window->ToWindow(QRect(0, 0, 32, 32));
    for (const QRect& r : watch.painted) {
      QVERIFY2(r.width() <= square.width() + 2 && r.height() <= square.height() + 2,
               qPrintable(QStringLiteral("%1×%2").arg(r.width()).arg(r.height())));
    }
  }
};

KORVANA_GUI_TEST(IdleWindowTest);
#include "IdleWindowTest.moc"
