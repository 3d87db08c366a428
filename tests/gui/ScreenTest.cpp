// The picture on screens of every size and pixel ratio: where it lands, how
// large, whether its pixels stay sharp or are filtered as the reader chose,
// black around it, and the pointer meaning the same picture pixel in every
// mode.
#include <QCheckBox>
#include <QCursor>
#include <QtTest>
#include <set>

#include "GuiGame.h"
#include "GuiTests.h"
#include "PicturePlacement.h"
#include "QuietSink.h"
#include "ReaderSettingsDialog.h"
#include "script/EngineProbe.h"

using namespace korvana;
using test::Game;

namespace {

constexpr QRgb kRed = 0xFF0000, kBlue = 0x0000FF;

// Window and screen sizes as readers have them.
struct Case {
  const char* what;
  QSize window;  // logical pixels
  qreal dpr;
  ScalingChoice choice;
  QRect device;  // where the picture lands, in device pixels
  int whole;     // device pixels per picture pixel, 0 when not whole
  PictureFilter filter;
};

const Case kCases[] = {
    {"640x480@1", {640, 480}, 1, {}, {0, 0, 640, 480}, 1, PictureFilter::Sharp},
    {"1280x960@1", {1280, 960}, 1, {}, {0, 0, 1280, 960}, 2, PictureFilter::Sharp},
    {"1280x800 full", {1280, 800}, 1, {}, {320, 160, 640, 480}, 1, PictureFilter::Sharp},
    {"1280x800 full, smooth",
     {1280, 800},
     1,
     {true, false},
     {320, 160, 640, 480},
     1,
     PictureFilter::Smooth},
    {"1280x800 full, fit",
     {1280, 800},
     1,
     {false, true},
     {106, 0, 1067, 800},
     0,
     PictureFilter::Crisp},
    {"1280x800 full, fit, smooth",
     {1280, 800},
     1,
     {true, true},
     {106, 0, 1067, 800},
     0,
     PictureFilter::Smooth},
    {"1920x1080 full", {1920, 1080}, 1, {}, {320, 60, 1280, 960}, 2, PictureFilter::Sharp},
    {"1920x1080 full, fit",
     {1920, 1080},
     1,
     {false, true},
     {240, 0, 1440, 1080},
     0,
     PictureFilter::Crisp},
    {"1280x960 full, fit at a whole size",
     {1280, 960},
     1,
     {false, true},
     {0, 0, 1280, 960},
     2,
     PictureFilter::Sharp},
    {"1280x960@1, smooth",
     {1280, 960},
     1,
     {true, false},
     {0, 0, 1280, 960},
     2,
     PictureFilter::Smooth},
    {"640x480@2", {640, 480}, 2, {}, {0, 0, 1280, 960}, 2, PictureFilter::Sharp},
    {"640x480@2, smooth",
     {640, 480},
     2,
     {true, false},
     {0, 0, 1280, 960},
     2,
     PictureFilter::Smooth},
    {"1536x1152@1.25", {1536, 1152}, 1.25, {}, {0, 0, 1920, 1440}, 3, PictureFilter::Sharp},
    {"1280x960@1.5", {1280, 960}, 1.5, {}, {0, 0, 1920, 1440}, 3, PictureFilter::Sharp},
    {"1097x823@1.75 (the ratio does not divide)",
     {1097, 823},
     1.75,
     {},
     {0, 0, 1920, 1440},
     3,
     PictureFilter::Sharp},
    {"1280x720@1.5 full, fit",
     {1280, 720},
     1.5,
     {false, true},
     {240, 0, 1440, 1080},
     0,
     PictureFilter::Crisp},
};

// A picture of 1-pixel checks, red and blue: the hardest for a filter.
QImage Checker() {
  QImage picture(640, 480, QImage::Format_RGB32);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) picture.setPixel(x, y, (x + y) % 2 ? kBlue : kRed);
  return picture;
}

// The window's device pixels as the painting leaves them, over a white
// ground (so that what is painted black is seen to be).
QImage Painted(const Case& c, const QImage& picture, const QRect& exposed) {
  const PicturePlacement placed = PlacePicture(c.window, c.dpr, c.choice);
  QImage out(qRound(c.window.width() * c.dpr), qRound(c.window.height() * c.dpr),
             QImage::Format_RGB32);
  out.fill(Qt::white);
  out.setDevicePixelRatio(c.dpr);
  QPainter painter(&out);
  PaintPicture(painter, picture, placed, exposed);
  painter.end();
  return out;
}

QRgb At(const QImage& image, int x, int y) {
  return image.pixel(x, y) & 0xFFFFFF;
}

// The largest difference of one channel.
int Distance(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                   std::abs(qBlue(a) - qBlue(b))});
}

}  // namespace

class ScreenTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void thePictureLandsCentredIn4By3() {
    for (const Case& c : kCases) {
      const PicturePlacement placed = PlacePicture(c.window, c.dpr, c.choice);
      QVERIFY2(placed.device == c.device && placed.whole == c.whole && placed.filter == c.filter,
               c.what);
      // Never out of 4:3 by more than the rounding of one device pixel.
      QVERIFY2(std::abs(placed.device.width() * 3 - placed.device.height() * 4) <= 4, c.what);
      // Inside the window's device pixels.
      const QRect window(0, 0, qRound(c.window.width() * c.dpr), qRound(c.window.height() * c.dpr));
      QVERIFY2(window.contains(placed.device), c.what);
    }
  }

  void sharpStaysCrispAndFilteredBlends() {
    const QImage picture = Checker();
    for (const Case& c : kCases) {
      const QImage shot = Painted(c, picture, QRect(QPoint(0, 0), c.window));
      std::set<QRgb> inside;
      int notBlack = 0;
      for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) {
          if (c.device.contains(x, y))
            inside.insert(At(shot, x, y));
          else
            notBlack += At(shot, x, y) != 0;
        }
      // Black bars around the picture, wherever there is room for them.
      QVERIFY2(notBlack == 0, c.what);
      if (c.filter == PictureFilter::Sharp) {
        // Only the checker's two colours, each check a whole square.
        QVERIFY2(inside == (std::set<QRgb>{kRed, kBlue}), c.what);
        for (const QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(320, 241), QPoint(639, 479)}) {
          const QRgb colour = (p.x() + p.y()) % 2 ? kBlue : kRed;
          for (int dy = 0; dy < c.whole; ++dy)
            for (int dx = 0; dx < c.whole; ++dx)
              QVERIFY2(At(shot, c.device.x() + p.x() * c.whole + dx,
                          c.device.y() + p.y() * c.whole + dy) == colour,
                       c.what);
        }
      } else if (c.whole != 1) {
        // Filtered: colours between the two appear.
        QVERIFY2(inside.size() > 2, c.what);
      } else {
        // At 1:1 a filter has nothing to blend.
        QVERIFY2(inside == (std::set<QRgb>{kRed, kBlue}), c.what);
      }
    }
  }

  void aPartialRepaintMatchesTheWhole() {
    // A glyph repaints a few pixels; the seams of that repaint must not show.
    QImage picture = Checker();
    for (int y = 100; y < 300; ++y)
      for (int x = 50; x < 400; ++x)
        picture.setPixel(x, y, (x / 7 + y / 5) % 2 ? 0x30A050 : 0xF0E0D0);
    for (const Case& c : kCases) {
      const QImage whole = Painted(c, picture, QRect(QPoint(0, 0), c.window));
      const QRect part(c.window.width() / 3 + 1, c.window.height() / 4 + 3, 37, 23);
      const QImage piece = Painted(c, picture, part);
      const QRect device(QPoint(qCeil(part.left() * c.dpr), qCeil(part.top() * c.dpr)),
                         QPoint(int((part.left() + part.width()) * c.dpr) - 1,
                                int((part.top() + part.height()) * c.dpr) - 1));
      // A filter's sums may round the other way by one step of a channel,
      // which no eye sees; sharp pixels are copies.
      const int tolerance = c.filter == PictureFilter::Sharp ? 0 : 1;
      int differ = 0;
      for (int y = device.top(); y <= device.bottom(); ++y)
        for (int x = device.left(); x <= device.right(); ++x)
          differ += Distance(At(whole, x, y), At(piece, x, y)) > tolerance;
      QVERIFY2(differ == 0, qPrintable(QString("%1: %2 pixels differ").arg(c.what).arg(differ)));
    }
  }

  void thePointerMeansTheSamePixelInEveryMode() {
    for (const Case& c : kCases) {
      const PicturePlacement placed = PlacePicture(c.window, c.dpr, c.choice);
      // Every column and row, the picture's last ones included.
      for (int i = 0; i < 640; ++i) {
        const QPoint p(i, i * 479 / 639);
        const QPoint at = placed.FromPicture(p);
        QVERIFY2(QRect(QPoint(0, 0), c.window).contains(at), c.what);
        QVERIFY2(placed.ToPicture(at) == p, c.what);
        // The picture pixel's repaint rectangle holds the point.
        QVERIFY2(placed.ToWindow(QRect(p, QSize(1, 1))).contains(at), c.what);
      }
      // The bars and beyond hold the picture's edge.
      QCOMPARE(placed.ToPicture(QPointF(-5, -5)), QPoint(0, 0));
      QCOMPARE(placed.ToPicture(QPointF(c.window.width() + 100, 1e6)), QPoint(639, 479));
    }
  }

  void theWindowFitsEachScreenAtAWholeFactor() {
    const struct {
      QRect free;  // logical pixels
      qreal dpr;
      int factor;
      QSize window;  // logical
    } rows[] = {
        {{0, 0, 800, 600}, 1, 1, {640, 480}},        {{0, 0, 1280, 800}, 1, 1, {640, 480}},
        {{0, 0, 1920, 1050}, 1, 1, {640, 480}},  // 90 % of 1050 is under 960
        {{0, 0, 1920, 1160}, 1, 2, {1280, 960}},     {{0, 0, 1920, 1050}, 2, 3, {960, 720}},
        {{0, 0, 2048, 1112}, 1.25, 2, {1024, 768}},  {{0, 0, 2560, 1400}, 1.5, 3, {1280, 960}},
        {{0, 0, 2194, 1234}, 1.75, 4, {1463, 1098}},
    };
    for (const auto& r : rows) {
      const int k = WindowFactor(r.free, r.dpr);
      QCOMPARE(k, r.factor);
      const QSize size = WindowSizeFor(k, r.dpr);
      QCOMPARE(size, r.window);
      // The window so sized shows the picture at exactly that factor.
      const PicturePlacement placed = PlacePicture(size, r.dpr, {});
      QCOMPARE(placed.whole, k);
      QCOMPARE(placed.filter, PictureFilter::Sharp);
    }
  }

  void theWindowMapsClicksAndMovesThePointerInEveryMode() {
    struct Sink : test::QuietSink {
      QPoint clicked{-1, -1}, moved{-1, -1};
      void OnClick(int x, int y) override { clicked = QPoint(x, y); }
      void OnMouseMove(int x, int y) override { moved = QPoint(x, y); }
    } sink;
    Game g("SavePath=.\\\r\n", "_$flg[1]=1\r\n");
    QVERIFY(g.app->Open());
    // The story sets its own sink when it starts.
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
    MainWindow* w = g.app->window.get();
    const QSize normal = w->size();
    const struct {
      const char* what;
      QSize size;  // empty: the window's own
      ScalingChoice choice;
    } rows[] = {
        {"window", {}, {}},
        {"window, smooth", {}, {true, false}},
        {"1280x800, 1x", {1280, 800}, {}},
        {"1280x800, fit", {1280, 800}, {false, true}},
        {"1280x800, fit, smooth", {1280, 800}, {true, true}},
        {"1920x1080, fit", {1920, 1080}, {false, true}},
    };
    g.app->platform.SetInputSink(&sink);
    for (const auto& r : rows) {
      if (!r.size.isEmpty()) {
        w->setMinimumSize(r.size);
        w->setMaximumSize(r.size);
      }
      w->SetScaling(r.choice);
      QTRY_COMPARE(w->size(), r.size.isEmpty() ? normal : r.size);
      EngineProbe(g.app->engine).PokeScreen().BackImage.Fill(0xFFFFFF);
      const QImage shot = w->grab().toImage();
      const QRect device = w->Placement().device;
      // White exactly where the placement says, black around it.
      QCOMPARE(At(shot, device.left(), device.top()), 0xFFFFFFu);
      QCOMPARE(At(shot, device.right(), device.bottom()), 0xFFFFFFu);
      if (device.left() > 0) QCOMPARE(At(shot, device.left() - 1, device.top()), 0u);
      if (device.top() > 0) QCOMPARE(At(shot, device.left(), device.top() - 1), 0u);
      if (device.right() + 1 < shot.width())
        QCOMPARE(At(shot, device.right() + 1, device.bottom()), 0u);
      // (Not the window's 0,0: Qt Test clicks the middle for a null point.)
      for (const QPoint p : {QPoint(0, 1), QPoint(10, 20), QPoint(320, 240), QPoint(639, 479)}) {
        const QPoint at = w->FromPicture(p);
        QTest::mouseClick(w, Qt::LeftButton, {}, at);
        QVERIFY2(sink.clicked == p, r.what);
        QTest::mouseMove(w, at);
        QTRY_VERIFY2(sink.moved == p, r.what);
      }
    }
    // The story's pointer moves reach the same pixel the window shows.
    w->setMinimumSize(normal);
    w->setMaximumSize(normal);
    for (const ScalingChoice choice : {ScalingChoice{}, ScalingChoice{true, true}}) {
      w->SetScaling(choice);
      for (const QPoint p : {QPoint(5, 7), QPoint(320, 240), QPoint(638, 478)}) {
        QVERIFY(g.app->platform.MovePointer(p.x(), p.y()));
        QCOMPARE(w->ToPicture(w->mapFromGlobal(QCursor::pos())), p);
      }
    }
    g.app->platform.SetInputSink(&g.app->engine);
  }

  void theDisplaySwitchesShowAtOnceAndOkKeepsThem() {
    const struct {
      const char* how;
      bool ok;
    } rows[] = {{"OK", true}, {"Cancel", false}};
    for (const auto& r : rows) {
      Game g("SavePath=.\\\r\n", "_$flg[1]=1\r\n");
      QVERIFY(g.app->Open());
      QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
      MainWindow* w = g.app->window.get();
      EngineProbe(g.app->engine).PokeScreen().BackImage.Fill(0xFFFFFF);
      w->setMinimumSize(1280, 800);
      w->setMaximumSize(1280, 800);
      QTRY_COMPARE(w->size(), QSize(1280, 800));
      // What the window showed while the dialog was open, by the switches'
      // underlined letters.
      QStringList seen;
      auto look = [w, &seen] {
        const QImage shot = w->grab().toImage();
        // The picture's left edge on the middle row: 320 at 1x, 106 fitted.
        int left = 0;
        while (left < shot.width() && At(shot, left, 400) == 0) ++left;
        seen << QString("%1%2").arg(left).arg(
            w->Placement().filter == PictureFilter::Smooth ? " smooth" : "");
      };
      QTimer::singleShot(0, [&] {
        ReaderSettingsDialog* form = g.app->platform.SettingsForm();
        (void)QTest::qWaitFor([form] { return form->isActiveWindow(); }, test::kSettleMs);
        look();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F, Qt::AltModifier);
        (void)QTest::qWaitFor([form] { return form->scalingFit->isChecked(); }, test::kSettleMs);
        look();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_M, Qt::AltModifier);
        (void)QTest::qWaitFor([form] { return form->scalingSmooth->isChecked(); }, test::kSettleMs);
        look();
        if (r.ok)
          form->accept();
        else
          form->reject();
      });
      w->Item("Xsettings")->trigger();
      QCOMPARE(seen, (QStringList{"320", "106", "106 smooth"}));
      look();
      QCOMPARE(seen.last(), QString(r.ok ? "106 smooth" : "320"));
      QCOMPARE(g.app->engine.Reader().scalingFit, r.ok);
      const std::string kept = r.ok ? g.dir.Read("config/korvana/settings.ini") : "";
      QVERIFY2(!r.ok || kept.find("ScalingSmooth=on\nScalingFit=on\n") != std::string::npos,
               kept.c_str());
      // The next start shows the picture the way the reader left it.
      if (r.ok) {
        Game next("SavePath=.\\\r\n", "");
        next.dir.Write("config/korvana/settings.ini", kept);
        QVERIFY(next.app->Open());
        QCOMPARE(next.app->window->Scaling().smooth, true);
        QCOMPARE(next.app->window->Scaling().fit, true);
      }
    }
  }
};

KORVANA_GUI_TEST(ScreenTest);
#include "ScreenTest.moc"
