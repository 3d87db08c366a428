// The image button as the player meets it: the pressed look while the
// left button is held, clicks, the greyed disabled state, the plain panel.
#include <QtTest>

#include "GuiTests.h"
#include "TTkBtn.h"

using namespace korvana;

class ImageButtonTest : public QObject {
  Q_OBJECT

 private slots:
  void leftButtonLowersTheBevelWhileHeld() {
    const struct {
      TTkBtn::Bevel start;
      Qt::MouseButton button;
      TTkBtn::Bevel held, after;
      int clicks;
    } rows[] = {
        {TTkBtn::Bevel::Raised, Qt::LeftButton, TTkBtn::Bevel::Lowered, TTkBtn::Bevel::Raised, 1},
        {TTkBtn::Bevel::None, Qt::LeftButton, TTkBtn::Bevel::Lowered, TTkBtn::Bevel::Raised, 1},
        {TTkBtn::Bevel::Raised, Qt::RightButton, TTkBtn::Bevel::Raised, TTkBtn::Bevel::Raised, 0},
        {TTkBtn::Bevel::None, Qt::RightButton, TTkBtn::Bevel::None, TTkBtn::Bevel::None, 0},
    };
    for (const auto& r : rows) {
      TTkBtn button;
      QImage red(8, 8, QImage::Format_RGB32);
      red.fill(Qt::red);
      button.Set_Picture(red);
      button.SetBevelWidth(2);
      button.SetBevelOuter(r.start);
      int clicks = 0;
      connect(&button, &TTkBtn::clicked, [&] { ++clicks; });
      button.show();
      const QRgb light = button.palette().color(QPalette::Light).rgb() & 0xFFFFFF;
      const QRgb dark = button.palette().color(QPalette::Dark).rgb() & 0xFFFFFF;
      auto corners = [&](TTkBtn::Bevel b) {
        const QRgb topLeft = b == TTkBtn::Bevel::Raised    ? light
                             : b == TTkBtn::Bevel::Lowered ? dark
                                                           : 0xFF0000;
        const QRgb bottomRight = b == TTkBtn::Bevel::Raised    ? dark
                                 : b == TTkBtn::Bevel::Lowered ? light
                                                               : 0xFF0000;
        const QImage shot = button.grab().toImage();
        return (shot.pixel(1, 1) & 0xFFFFFF) == topLeft &&
               (shot.pixel(shot.width() - 2, shot.height() - 2) & 0xFFFFFF) == bottomRight;
      };
      QTest::mousePress(&button, r.button);
      QVERIFY(corners(r.held));
      QTest::mouseRelease(&button, r.button);
      QVERIFY(corners(r.after));
      QCOMPARE(clicks, r.clicks);
    }
  }

  void releaseOutsideIsNoClick() {
    TTkBtn button;
    int clicks = 0;
    connect(&button, &TTkBtn::clicked, [&] { ++clicks; });
    button.show();
    QTest::mousePress(&button, Qt::LeftButton);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(200, 10));
    QCOMPARE(clicks, 0);
    QCOMPARE(button.BevelOuter(), TTkBtn::Bevel::Raised);
  }

  void disabledButtonIsGreyAndDeaf() {
    TTkBtn button;
    button.resize(120, 30);
    button.SetCaption(QStringLiteral("■■■■"));
    button.SetColor(Qt::white);
    int clicks = 0;
    connect(&button, &TTkBtn::clicked, [&] { ++clicks; });
    button.show();
    QVERIFY(test::CountPixels(button.grab().toImage(), 0x000000) > 40);  // black caption
    button.setEnabled(false);
    const QRgb dark = button.palette().color(QPalette::Dark).rgb() & 0xFFFFFF;
    const QImage grey = button.grab().toImage();
    QCOMPARE(test::CountPixels(grey, 0x000000), 0);
    QVERIFY(test::CountPixels(grey, dark) > 40);
    QTest::mousePress(&button, Qt::LeftButton);
    QCOMPARE(button.BevelOuter(), TTkBtn::Bevel::Raised);
    QTest::mouseRelease(&button, Qt::LeftButton);
    QTest::keyClick(&button, Qt::Key_Return);
    QCOMPARE(clicks, 0);
  }

  void withoutPictureItIsAPlainPanel() {
    TTkBtn button;
    QCOMPARE(button.size(), QSize(75, 25));
    button.SetColor(QColor(0x12, 0x34, 0x56));
    button.SetBorderWidth(2);
    button.SetCaption(QStringLiteral("OK"));
    button.show();
    const QImage shot = button.grab().toImage();
    QCOMPARE(shot.pixel(2, 2) & 0xFFFFFF, 0x123456u);   // frame
    QCOMPARE(shot.pixel(6, 12) & 0xFFFFFF, 0x123456u);  // face
    int dark = 0;                                       // the caption on it
    for (int x = 20; x < 55; ++x)
      for (int y = 4; y < 21; ++y) dark += qGray(shot.pixel(x, y)) < 60;
    QVERIFY(dark > 10);
  }
};

KORVANA_GUI_TEST(ImageButtonTest);
#include "ImageButtonTest.moc"
