// The window's part of the reader's comforts: the short note over the
// picture, the mouse's side buttons paging back and forward, and the
// screenshot written where the desktop keeps pictures.
#include <QAction>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>
#include <filesystem>

#include "GuiGame.h"
#include "GuiTests.h"
#include "QuietSink.h"
#include "script/EngineProbe.h"

using namespace korvana;
using test::Game;

namespace {

struct Sink : test::QuietSink {
  int presses = 0;
  void OnMouseDown(int, int, MouseButton) override { ++presses; }
  void OnMouseUp(int, int, MouseButton) override { ++presses; }
};

}  // namespace

class WindowComfortsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void aNoteShowsOverThePictureForAMomentAndNeverInIt() {
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    MainWindow* w = g.app->window.get();
    Picture& back = EngineProbe(g.app->engine).PokeScreen().BackImage;
    back.Fill(0x204060);
    const PixelVector before(back.Pixels().begin(), back.Pixels().end());
    const QImage plain = w->grab().toImage();

    QElapsedTimer shown;
    shown.start();
    g.app->platform.ShowNote(J("一つ目"));
    g.app->platform.ShowNote(J("これより前には戻れません"));
    QLabel* note = w->Note();
    QVERIFY(note->isVisible());
    // The second replaced the first: one note, with the later text.
    QCOMPARE(note->text(), QStringLiteral("これより前には戻れません"));
    QCOMPARE(w->findChildren<QLabel*>("Note").size(), 1);
    QVERIFY(QRect(w->ToWindow(QRect(0, 0, 640, 480))).contains(note->geometry()));
    // The window shows it over the picture; the picture has not changed.
    const QImage covered = w->grab().toImage();
    const QPoint inside = note->geometry().center();
    QVERIFY(covered.pixel(inside) != plain.pixel(inside));
    QVERIFY(std::equal(before.begin(), before.end(), back.Pixels().begin()));
    // Gone by itself, after about its time.
    QTRY_VERIFY_WITH_TIMEOUT(!note->isVisible(), test::kSettleMs);
    QVERIFY(shown.elapsed() >= MainWindow::kNoteMs - 100);
    QCOMPARE(w->grab().toImage().pixel(inside), plain.pixel(inside));
  }

  void theSideButtonsChooseBackAndForwardWhenTheyCanBeChosen() {
    const struct {
      Qt::MouseButton button;
      bool backEnabled, forwardEnabled;
      int backs, forwards;
    } rows[] = {
        {Qt::BackButton, true, true, 1, 0},
        {Qt::ForwardButton, true, true, 0, 1},
        {Qt::BackButton, false, true, 0, 0},
        {Qt::ForwardButton, true, false, 0, 0},
    };
    for (const auto& r : rows) {
      Game g("SavePath=.\\\r\n", "");
      QVERIFY(g.app->Open());
      MainWindow* w = g.app->window.get();
      w->SetItemEnabled(MenuItem::Back, r.backEnabled);
      w->SetItemEnabled(MenuItem::Forward, r.forwardEnabled);
      QSignalSpy backs(w->Item("Xback"), &QAction::triggered);
      QSignalSpy forwards(w->Item("Xforward"), &QAction::triggered);
      Sink sink;
      g.app->platform.SetInputSink(&sink);
      QTest::mouseClick(w, r.button, Qt::NoModifier, QPoint(100, 100));
      g.app->platform.SetInputSink(&g.app->engine);
      QCOMPARE(int(backs.size()), r.backs);
      QCOMPARE(int(forwards.size()), r.forwards);
      // The story never takes them for a press of its own.
      QCOMPARE(sink.presses, 0);
    }
  }

  void aScreenshotGoesToThePicturesFolderWithTheScreensPixels() {
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    MainWindow* w = g.app->window.get();
    Picture& back = EngineProbe(g.app->engine).PokeScreen().BackImage;
    back.Fill(0x336699);
    back.SetPixel(639, 479, 0xFF0000);
    // The test program keeps its pictures in a folder of its own.
    const std::filesystem::path folder =
        std::filesystem::path(qEnvironmentVariable("XDG_PICTURES_DIR").toStdString()) /
        "korvana";
    std::filesystem::remove_all(folder);
    w->Item("Xshot")->trigger();
    std::vector<std::filesystem::path> shots;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      shots.push_back(entry.path());
    QCOMPARE(int(shots.size()), 1);
    const QString name = QString::fromStdString(shots[0].filename().string());
    const QString game = QString::fromStdString(g.dir.path().filename().string());
    QVERIFY2(QRegularExpression("^" + QRegularExpression::escape(game) +
                                "-\\d{8}-\\d{6}\\.png$")
                 .match(name)
                 .hasMatch(),
             qPrintable(name));
    const QImage written(QString::fromStdString(shots[0].string()));
    QCOMPARE(written.size(), QSize(640, 480));
    QCOMPARE(written.pixel(0, 0) & 0xFFFFFF, 0x336699u);
    QCOMPARE(written.pixel(639, 479) & 0xFFFFFF, 0xFF0000u);
    QVERIFY(w->Note()->isVisible());
    QCOMPARE(w->Note()->text(), QStringLiteral("スクリーンショットを保存しました"));
    std::filesystem::remove_all(folder);
  }
};

KORVANA_GUI_TEST(WindowComfortsTest);
#include "WindowComfortsTest.moc"
