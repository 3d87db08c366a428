// A window moved between screens of other sizes and pixel ratios keeps the
// sharp whole-factor picture of each. It needs the three screens of
// three-screens.json at the scales QT_SCREEN_SCALE_FACTORS gives them (ctest's
// gui.ScreenMovesTest sets both for the offscreen platform); on one screen
// there is nowhere to move to.
#include <QScreen>
#include <QtTest>
#include <functional>

#include "GuiGame.h"
#include "GuiTests.h"
#include "script/EngineProbe.h"

using namespace korvana;
using test::Game;

class ScreenMovesTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void eachScreenGetsItsOwnWholeFactor() {
    auto named = [](const char* name) -> QScreen* {
      for (QScreen* s : QGuiApplication::screens())
        if (s->name() == QLatin1String(name)) return s;
      return nullptr;
    };
    if (!named("plain") || !named("double") || !named("half-again"))
      QSKIP("runs on the three screens of three-screens.json");
    const struct {
      const char* screen;
      qreal dpr;
      int factor;    // device pixels per picture pixel
      QSize window;  // logical pixels
    } rows[] = {
        {"plain", 1, 2, {1280, 960}},         // 1920 × 1080
        {"double", 2, 2, {640, 480}},         // 2560 × 1440 device pixels at 200 %
        {"half-again", 1.5, 3, {1280, 960}},  // 2880 × 1620 at 150 %
        {"plain", 1, 2, {1280, 960}},         // and back, with no size left from before
    };
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    MainWindow* w = g.app->window.get();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    Picture& back = EngineProbe(g.app->engine).PokeScreen().BackImage;
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) back.SetPixel(x, y, (x + y) % 2 ? 0x0000FF : 0xFF0000);
    for (const auto& r : rows) {
      const char* what = r.screen;
      QScreen* screen = named(r.screen);
      QRect placed(QPoint(), w->size());
      placed.moveCenter(screen->availableGeometry().center());
      w->move(placed.topLeft());
      QTRY_VERIFY2(w->screen() == screen, what);
      QTRY_COMPARE(w->size(), r.window);
      QCOMPARE(w->devicePixelRatioF(), r.dpr);
      QCOMPARE(w->Scale(), r.factor);
      // The window stays on the screen it was moved to.
      QVERIFY2(screen->geometry().contains(w->geometry().center()), what);
      const PicturePlacement shown = w->Placement();
      QCOMPARE(shown.whole, r.factor);
      QCOMPARE(shown.filter, PictureFilter::Sharp);
      const QImage shot = w->grab().toImage();
      QCOMPARE(shot.size(), shown.device.size());
      // Every check a whole square of its own colour.
      for (const QPoint p : {QPoint(0, 0), QPoint(1, 0), QPoint(333, 222), QPoint(639, 479)})
        for (int dy = 0; dy < r.factor; ++dy)
          for (int dx = 0; dx < r.factor; ++dx)
            QVERIFY2((shot.pixel(p.x() * r.factor + dx, p.y() * r.factor + dy) & 0xFFFFFF) ==
                         ((p.x() + p.y()) % 2 ? 0x0000FFu : 0xFF0000u),
                     what);
      // A click lands on the picture pixel it shows.
      const QPoint at = w->FromPicture(QPoint(333, 222));
      QCOMPARE(w->ToPicture(at), QPoint(333, 222));
    }
  }

  void aChangeOfTheScreensScaleLeavesNoStaleSize() {
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    MainWindow* w = g.app->window.get();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const QSize right = w->size();
    for (const auto& tell : std::vector<std::function<void(QScreen*)>>{
             [](QScreen* s) { emit s->logicalDotsPerInchChanged(s->logicalDotsPerInch()); },
             [](QScreen* s) { emit s->availableGeometryChanged(s->availableGeometry()); }}) {
      // As the window would be, sized for the screen before the change.
      w->setFixedSize(right / 2);
      tell(w->screen());
      QTRY_COMPARE(w->size(), right);
    }
  }
};

KORVANA_GUI_TEST(ScreenMovesTest);
#include "ScreenMoves.moc"
