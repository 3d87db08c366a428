// The image button as the player meets it: the pressed look while the
// left button is held, clicks, the greyed disabled state, the plain panel.
#include <QtTest>

#include "GuiTests.h"
#include "PictureButton.h"

using namespace korvana;

class PictureButtonTest : public QObject {
  Q_OBJECT

 private slots:
  void leftButtonLowersTheBevelWhileHeld() {
    const struct {
      PictureButton::Bevel start;
      Qt::MouseButton button;
      PictureButton::Bevel held, after;
      int clicks;
    } rows[] = {
        {PictureButton::Bevel::Raised, Qt::LeftButton, PictureButton::Bevel::Lowered,
         PictureButton::Bevel::Raised, 1},
        {PictureButton::Bevel::None, Qt::LeftButton, PictureButton::Bevel::Lowered,
         PictureButton::Bevel::Raised, 1},
        {PictureButton::Bevel::Raised, Qt::RightButton, PictureButton::Bevel::Raised,
         PictureButton::Bevel::Raised, 0},
        {PictureButton::Bevel::None, Qt::RightButton, PictureButton::Bevel::None,
         PictureButton::Bevel::None, 0},
    };
    for (const auto& r : rows) {
      PictureButton button;
      QImage red(8, 8, QImage::Format_RGB32);
      red.fill(Qt::red);
      button.Set_Picture(red);
      button.SetBevelWidth(2);
      button.SetBevelOuter(r.start);
      int clicks = 0;
      connect(&button, &PictureButton::clicked, [&] { ++clicks; });
      button.show();
      const QRgb light = button.palette().color(QPalette::Light).rgb() & 0xFFFFFF;
      const QRgb dark = button.palette().color(QPalette::Dark).rgb() & 0xFFFFFF;
      auto corners = [&](PictureButton::Bevel b) {
        const QRgb topLeft = b == PictureButton::Bevel::Raised    ? light
                             : b == PictureButton::Bevel::Lowered ? dark
                                                                  : 0xFF0000;
        const QRgb bottomRight = b == PictureButton::Bevel::Raised    ? dark
                                 : b == PictureButton::Bevel::Lowered ? light
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
    PictureButton button;
    int clicks = 0;
    connect(&button, &PictureButton::clicked, [&] { ++clicks; });
    button.show();
    QTest::mousePress(&button, Qt::LeftButton);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(200, 10));
    QCOMPARE(clicks, 0);
    QCOMPARE(button.BevelOuter(), PictureButton::Bevel::Raised);
  }

  void disabledButtonIsGreyAndDeaf() {
    PictureButton button;
    button.resize(120, 30);
    button.SetCaption(QStringLiteral("■■■■"));
    button.SetColor(Qt::white);
    int clicks = 0;
    connect(&button, &PictureButton::clicked, [&] { ++clicks; });
    button.show();
    QVERIFY(test::CountPixels(button.grab().toImage(), 0x000000) > 40);  // black caption
    button.setEnabled(false);
    const QRgb dark = button.palette().color(QPalette::Dark).rgb() & 0xFFFFFF;
    const QImage grey = button.grab().toImage();
    QCOMPARE(test::CountPixels(grey, 0x000000), 0);
    QVERIFY(test::CountPixels(grey, dark) > 40);
    QTest::mousePress(&button, Qt::LeftButton);
    QCOMPARE(button.BevelOuter(), PictureButton::Bevel::Raised);
    QTest::mouseRelease(&button, Qt::LeftButton);
    QTest::keyClick(&button, Qt::Key_Return);
    QCOMPARE(clicks, 0);
  }

  void withoutPictureItIsAPlainPanel() {
    PictureButton button;
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

KORVANA_GUI_TEST(PictureButtonTest);
#include "PictureButtonTest.moc"
