// The version dialog as the reader meets it: the form on black, the
// interpreter's version, the game's picture or the text that it has none,
// the program id and the folder, Esc, and a picture that cannot be read.
#include <QTimer>
#include <QtTest>

#include "GuiGame.h"
#include "GuiTests.h"
#include "VersionDialog.h"
#include "graphics/Picture.h"
#include "script/EngineProbe.h"

using namespace korvana;
using test::Game;

namespace {

// What the dialog showed when it opened from the menu.
struct Seen {
  QString label2, programLine, pathLine;
  QImage shot;  // the whole form
  bool modal = false;
};

// Chooses "バージョン情報", looks at the dialog and closes it with Esc.
Seen OpenFromTheMenu(Game& g) {
  Seen seen;
  QTimer::singleShot(0, [&] {
    VersionDialog* form = g.app->platform.VersionForm();
    seen.modal = QApplication::activeModalWidget() == form;
    seen.label2 = form->Label2->text();
    seen.programLine = form->StaticText1->text();
    seen.pathLine = form->StaticText2->text();
    seen.shot = form->grab().toImage();
    QTest::keyClick(form, Qt::Key_Escape);
  });
  g.app->window->Item("Mversion")->trigger();
  return seen;
}

}  // namespace

class VersionDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void layoutIsTheForms() {
    VersionDialog form;
    Picture picture(100, 50, 0x2040C0);
    form.Prepare(VersionInfo{"Ver 1.42", &picture, "ProgramID=X", "CurrentDir=/games/x"});
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("バージョン情報"));
    QCOMPARE(form.size(), QSize(572, 274));
    QVERIFY(form.windowFlags() & Qt::Tool);
    QVERIFY(!(form.windowFlags() & Qt::WindowCloseButtonHint));  // no border icons
    const struct {
      QWidget* widget;
      QRect geometry;
      const char* text;
    } rows[] = {
        {form.Label1, {30, 8, 76, 17}, "インタプリタ"},
        {form.Label2, {110, 8, 84, 17}, "Ver 1.42"},
        {form.VerImage, {30, 42, 512, 128}, ""},
        {form.StaticText1, {32, 176, 513, 20}, "ProgramID=X"},
        {form.StaticText2, {32, 200, 513, 20}, "CurrentDir=/games/x"},
    };
    for (const auto& r : rows) {
      QCOMPARE(r.widget->geometry(), r.geometry);
      QCOMPARE(qobject_cast<QLabel*>(r.widget)->text(), QString::fromUtf8(r.text));
    }
    QCOMPARE(form.Label3->pos(), QPoint(210, 8));
    QCOMPARE(form.Label4->pos(), QPoint(418, 8));
    QCOMPARE(form.Button1->geometry(), QRect(244, 232, 83, 25));
    QCOMPARE(form.Button1->text(), QStringLiteral("閉じる"));
    const QImage shot = form.grab().toImage();
    QCOMPARE(shot.pixel(3, 3) & 0xFFFFFF, 0x000000u);            // the form is black
    QCOMPARE(shot.pixel(30 + 5, 42 + 5) & 0xFFFFFF, 0x2040C0u);  // the picture, unscaled
    QCOMPARE(shot.pixel(30 + 99, 42 + 49) & 0xFFFFFF, 0x2040C0u);
    QCOMPARE(shot.pixel(30 + 150, 42 + 5) & 0xFFFFFF, 0x000000u);
    QCOMPARE(shot.pixel(40, 190) & 0xFFFFFF, 0xFFFFFFu);  // the lines on white
  }

  void fromTheMenuWithAndWithoutPictureAndProgramId() {
    const struct {
      const char* name;
      const char* cfg;
      bool writePicture;
      const char* programLine;
      QRgb areaPixel;  // at (5, 5) of the picture area
    } rows[] = {
        {"both", "ProgramID=KorvanaDemo\r\nVersion=ver.png\r\n", true, "ProgramID=KorvanaDemo",
         0x2040C0},
        {"neither", "", false, "ProgramID=設定無し", 0xFFFFFF},
    };
    for (const auto& r : rows) {
      Game g(std::string("SavePath=.\\\r\n") + r.cfg, "_$flg[1]=1\r\n");
      if (r.writePicture) QVERIFY(WritePng(Picture(600, 200, 0x2040C0), g.dir.str() + "/ver.png"));
      QVERIFY(g.app->Open());
      QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
      EngineProbe(g.app->engine).PokeClicks().ClickFlag = true;
      const Seen seen = OpenFromTheMenu(g);
      QVERIFY2(seen.modal, r.name);
      QCOMPARE(seen.label2, QStringLiteral("Ver 1.42"));
      QCOMPARE(seen.programLine, QString::fromUtf8(r.programLine));
      QCOMPARE(seen.pathLine, QStringLiteral("CurrentDir=") + QString::fromStdString(g.dir.str()));
      QCOMPARE(seen.shot.pixel(30 + 5, 42 + 5) & 0xFFFFFF, r.areaPixel);
      // A picture larger than the area is cut at its edge.
      QCOMPARE(seen.shot.pixel(30 + 511, 42 + 127) & 0xFFFFFF,
               r.writePicture ? 0x2040C0u : 0xFFFFFFu);
      QCOMPARE(seen.shot.pixel(30 + 512, 42 + 128) & 0xFFFFFF, 0x000000u);
      if (!r.writePicture) {
        // "シナリオのバージョン情報はありません" in black from (32, 32).
        const QImage area = seen.shot.copy(30, 42, 512, 128);
        QVERIFY(test::CountPixels(area.copy(32, 32, 300, 16), 0x000000) > 100);
        QCOMPARE(test::CountPixels(area.copy(0, 0, 512, 30), 0x000000), 0);
      }
      QVERIFY(!EngineProbe(g.app->engine).Clicks().ClickFlag);  // cleared after the dialog
      QVERIFY(g.boxes.empty());
    }
  }

  void aDamagedPictureIsReportedAndTheDialogStillOpens() {
    Game g("SavePath=.\\\r\nVersion=ver.png\r\n", "_$flg[1]=1\r\n");
    g.dir.Write("ver.png", "\x89PNG\r\n\x1a\n damaged");
    QVERIFY(g.app->Open());
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
    g.answers = {BoxAnswer::Ok, BoxAnswer::No};
    const Seen seen = OpenFromTheMenu(g);
    QVERIFY(seen.modal);
    QCOMPARE(seen.shot.pixel(30 + 5, 42 + 5) & 0xFFFFFF, 0x000000u);  // nothing shown there
    QCOMPARE(g.boxes.size(), size_t(2));
    QVERIFY(g.boxes[0].rfind("Korvana|", 0) == 0);
    QVERIFY(g.boxes[1].find("エラー発生！！") != std::string::npos);
    QVERIFY(g.app->window->isVisible());
  }
};

KORVANA_GUI_TEST(VersionDialogTest);
#include "VersionDialogTest.moc"
