// The desktop shell on the offscreen platform: start-up order, the single
// instance, the pop-up menu, the close question and the settings it writes,
// and where the slot dialog opens.
#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <memory>

#include "App.h"
#include "GuiGame.h"
#include "GuiTests.h"
#include "QuietSink.h"
#include "SingleInstance.h"
#include "SlotDialog.h"
#include "TempDir.h"
#include "core/Cp932.h"
#include "script/EngineProbe.h"

using namespace korvana;

using test::Game;

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void startupReadsTheConfigurationBeforeTheStory() {
    Game g("BGDarkness=1\r\nSavePath=.\\\r\n",
           "!第一章\r\n_$flg[1]=$sys[3]\r\n_$flg[2]=$sys[19]\r\n");
    QVERIFY(g.app->Open());
    QVERIFY(g.app->window->isVisible());
    QCOMPARE(g.Flag(1), std::string("0"));  // the story waits for the first idle moment
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(2), std::string("142"), test::kSettleMs);
    QCOMPARE(g.Flag(1), std::string("1"));
    QCOMPARE(g.app->window->windowTitle(), QStringLiteral("第一章"));
    QVERIFY(g.app->window->isVisible());  // the window stays open after the story
    QVERIFY(g.boxes.empty());
  }

  void theStoryStartsAfterTheWindowsFirstFrame() {
    Game g("SavePath=.\\\r\n", "!第一章\r\n_$flg[1]=1\r\n");
    // The first frame and the captions the story gives, in the order the
    // window received them.
    struct Watch : QObject {
      QStringList seen;
      bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && !seen.contains("paint")) seen << "paint";
        if (e->type() == QEvent::WindowTitleChange) seen << static_cast<QWidget*>(o)->windowTitle();
        return false;
      }
    } watch;
    QVERIFY(g.app->Open());
    g.app->window->installEventFilter(&watch);
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
    QCOMPARE(watch.seen, (QStringList{"paint", "第一章"}));
  }

  void aWindowNeverShownStillRunsItsStory() {
    Game g("SavePath=.\\\r\n", "_$flg[1]=1\r\n");
    QVERIFY(g.app->Open());
    g.app->window->hide();  // before its first frame
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
    QVERIFY(!g.app->window->FirstFrameShown());
  }

  void missingConfigurationEndsBeforeTheWindow() {
    Game g("", "_$flg[1]=1\r\n");
    QVERIFY(!g.app->Open());
    QVERIFY(!g.app->window);
    QCOMPARE(g.boxes, std::vector<std::string>{"|設定ファイルkrv.cfgが見つかりません"});
  }

  void secondInstanceIsRefused() {
    test::TempDir dir;
    const std::string lock = dir.str() + "/Korvana.lock";
    auto first = std::make_unique<SingleInstance>(lock);
    QVERIFY(first->Acquire());
    SingleInstance second(lock);
    QVERIFY(!second.Acquire());
    first.reset();  // the lock goes with its holder
    QVERIFY(second.Acquire());
  }

  void secondInstanceBoxIsPlain() {
    const std::unique_ptr<QMessageBox> box = AlreadyRunningBox();
    QCOMPARE(box->text(), QStringLiteral("既に起動中です。"));
    QCOMPARE(box->windowTitle(), QStringLiteral("Korvana"));
    QCOMPARE(box->icon(), QMessageBox::NoIcon);
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
  }

  void menuItemsStartAsSpecified() {
    Game g("SavePath=.\\\r\nTextMaxIndex=1000\r\n", "");
    QVERIFY(g.app->Open());
    struct Row {
      const char* name;
      const char* caption;
      const char* shortcut;
      bool enabled;
      int checked;  // -1: not checkable
    } rows[] = {
        {"Khideimage", "背景を消す", "Ctrl+T", false, -1},
        {"Khidetext", "文字を消す", "Ctrl+B", false, -1},
        {"Kwinmode", "画面の枠の表示", "Ctrl+W", true, 1},
        {"Kfullscr", "フルスクリーン表示", "Ctrl+G", true, 0},
        {"Mdarkness", "背景を暗くする", "Ctrl+D", false, 0},
        {"Kmusic", "音楽再生", "Ctrl+M", true, 1},
        {"Ksound", "効果音再生", "Ctrl+V", true, 1},
        {"Ktxtwait", "高速文字表示", "Ctrl+H", true, 0},
        {"Ktxtskip", "ページ単位表示", "Ctrl+P", true, 0},
        {"Kfont", "フォント設定", "", true, -1},
        {"Msave", "データ保存", "Ctrl+S", false, -1},
        {"Mload", "データ読み込み", "Ctrl+L", false, -1},
        {"Mback", "前の文章を読む", "", true, -1},
        {"Mtitle", "タイトルへ戻る", "Ctrl+R", false, -1},
        {"Mversion", "バージョン情報", "", true, -1},
        {"Mexit", "終了する", "Ctrl+Q", true, -1},
        {"Mdebug", "キャンセル", "", true, -1},
        {"Mskipout", "読んだ文章を飛ばす", "Ctrl+F", true, -1},
        {"Xback", "一つ前に戻る", "Backspace", false, -1},
        {"Xforward", "次へ進む", "Shift+Backspace", false, -1},
        {"Xauto", "オート", "A", true, 0},
        {"Xqsave", "クイックセーブ", "F5", false, -1},
        {"Xqload", "クイックロード", "F9", false, -1},
        {"Xshot", "スクリーンショット", "F12", true, -1},
        {"Xsettings", "設定…", "Ctrl+O", true, -1},
        // The tests' window has no speech engine: greyed.
        {"Xspeak", "読み上げ", "V", false, 0},
        {"Xtextout", "テキストを外部へ", "T", true, 0},
    };
    // The menu's order: two submenus, the items of the top, then the
    // reader's own submenu.
    std::function<QStringList(const QMenu*)> order = [&](const QMenu* menu) {
      QStringList names;
      for (const QAction* a : menu->actions())
        names << (a->menu() ? a->menu()->objectName() + "(" + order(a->menu()).join(' ') + ")"
                            : a->objectName());
      return names;
    };
    QCOMPARE(order(g.app->window->PopupMenu1()).join(' '),
             QStringLiteral(
                 "Mdisplay(Khideimage Khidetext Kwinmode Kfullscr Mdarkness) "
                 "Moption(Kmusic Ksound Ktxtwait Ktxtskip Kfont) "
                 "Msave Mload Mback Mtitle Mversion Mexit Mdebug Mskipout "
                 "Xtools(Xback Xforward Xauto Xqsave Xqload Xshot Xsettings Xspeak Xtextout)"));
    QCOMPARE(g.app->window->PopupMenu1()->actions()[0]->text(), QStringLiteral("画面表示"));
    QCOMPARE(g.app->window->PopupMenu1()->actions()[1]->text(), QStringLiteral("設定変更"));
    for (const Row& r : rows) {
      QAction* a = g.app->window->Item(r.name);
      QVERIFY2(a, r.name);
      QCOMPARE(a->text(), QString::fromUtf8(r.caption));
      QCOMPARE(a->shortcut(), QKeySequence(QString::fromUtf8(r.shortcut)));
      QCOMPARE(a->isEnabled(), r.enabled);
      QCOMPARE(a->isCheckable() ? int(a->isChecked()) : -1, r.checked);
    }
    // Without TextMaxIndex the skip item stays off; debug mode renames Mdebug.
    Game h("SavePath=.\\\r\n", "");
    h.dir.Write("krv.ini", "Version=1.42\r\nDebugMode=on\r\nHighSpeedText=1\r\n");
    QVERIFY(h.app->Open());
    QVERIFY(!h.app->window->Item("Mskipout")->isEnabled());
    QCOMPARE(h.app->window->Item("Mdebug")->text(), QStringLiteral("デバッグモード"));
    QVERIFY(h.app->window->Item("Ktxtwait")->isChecked());
    // Set when the story starts.
    QTRY_VERIFY_WITH_TIMEOUT(EngineProbe(h.app->engine).Clicks().HighSpeedMode, test::kSettleMs);
  }

  void shortcutsActOnlyWhenTheirItemIsEnabled() {
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    MainWindow* w = g.app->window.get();
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTest::keyClick(w, Qt::Key_R, Qt::ControlModifier);
    QVERIFY(g.boxes.empty());
    QVERIFY(EngineProbe(g.app->engine).Clicks().PendingRequest == Request::None);
    w->SetItemEnabled(MenuItem::TitleReturn, true);
    EngineProbe(g.app->engine).PokeClicks().ClickFlag = true;
    QTest::keyClick(w, Qt::Key_R, Qt::ControlModifier);
    QCOMPARE(g.boxes, std::vector<std::string>{"確認|タイトルに戻りますか？"});
    QVERIFY(EngineProbe(g.app->engine).Clicks().PendingRequest == Request::Title);
    QVERIFY(!EngineProbe(g.app->engine)
                 .Clicks()
                 .ClickFlag);  // the choosing click never continues the story
    QTest::keyClick(w, Qt::Key_H, Qt::ControlModifier);
    QVERIFY(EngineProbe(g.app->engine).Clicks().HighSpeedMode);
  }

  void popupMenuHangsCentredBelowThePointer() {
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    MainWindow* w = g.app->window.get();
    QMenu* menu = w->PopupMenu1();
    for (const QPoint picture : {QPoint(320, 100), QPoint(200, 240)}) {
      const QPoint at = w->FromPicture(picture);
      QTest::mouseClick(w, Qt::RightButton, {}, at);
      QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), test::kSettleMs);
      const QPoint pointer = w->mapToGlobal(at);
      const QRect shown = menu->geometry();
      QVERIFY2(std::abs(shown.left() + shown.width() / 2 - pointer.x()) <= 1,
               qPrintable(QString("menu %1..%2, pointer %3")
                              .arg(shown.left())
                              .arg(shown.right())
                              .arg(pointer.x())));
      QCOMPARE(shown.top(), pointer.y());
      menu->hide();
    }
  }

  void ctrlLetterActsAtTheWaitAndCtrlAloneSkipsAfterAMoment() {
    Game g("SavePath=.\\\r\n", "_textwait 0\r\nあ\r\n_$flg[9]=1\r\nい\r\n_$flg[9]=2\r\n");
    QVERIFY(g.app->Open());
    MainWindow* w = g.app->window.get();
    Engine& e = g.app->engine;
    EngineProbe probe(e);
    bool active = false, stillAtTheFirst = false, dark = false;
    // Each step from its own timer: the story's wait tests its end between
    // them, as between keys that come from the keyboard one by one.
    test::DuringTheStory(
        g, {
               [w] { w->activateWindow(); },
               [&] {
                 active = QApplication::activeWindow() == w && probe.Message().InClickWait();
                 QTest::keyPress(w, Qt::Key_Control);
               },
               [w] { QTest::keyClick(w, Qt::Key_D, Qt::ControlModifier); },
               [&] {
                 QTest::keyRelease(w, Qt::Key_Control);
                 stillAtTheFirst = probe.Message().InClickWait() && g.Flag(9) == "0";
                 dark = probe.Layers().settings.DarknessEnabled;
               },
               // Held alone, Ctrl runs through both waits.
               [w] { QTest::keyPress(w, Qt::Key_Control); },
           });
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(9), std::string("2"), test::kSettleMs);
    QTest::keyRelease(w, Qt::Key_Control);
    QVERIFY(active);
    QVERIFY(stillAtTheFirst);
    QVERIFY(dark);
  }

  void storySwitchesMenuItemsAndGetsWheelAndCtrl() {
    struct Sink : test::QuietSink {
      std::vector<std::string> events;
      void OnWheel(int x, int y, int delta) override {
        events.push_back("wheel " + std::to_string(x) + "," + std::to_string(y) + " " +
                         std::to_string(delta));
      }
      void OnCtrl(bool down) override { events.push_back(down ? "ctrl down" : "ctrl up"); }
    } sink;
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    MainWindow* w = g.app->window.get();
    const struct {
      MenuItem item;
      const char* name;
    } items[] = {{MenuItem::Load, "Mload"},         {MenuItem::TitleReturn, "Mtitle"},
                 {MenuItem::Save, "Msave"},         {MenuItem::HideBackground, "Khideimage"},
                 {MenuItem::HideText, "Khidetext"}, {MenuItem::Darkness, "Mdarkness"},
                 {MenuItem::SkipRead, "Mskipout"}};
    for (const auto& i : items) {
      g.app->platform.SetMenuItemEnabled(i.item, true);
      QVERIFY2(w->Item(i.name)->isEnabled(), i.name);
      g.app->platform.SetMenuItemEnabled(i.item, false);
      QVERIFY2(!w->Item(i.name)->isEnabled(), i.name);
    }
    g.app->platform.SetMenuItemChecked(MenuItem::HighSpeed, true);
    QVERIFY(w->Item("Ktxtwait")->isChecked());
    g.app->platform.SetMenuItemChecked(MenuItem::PageUnit, true);
    QVERIFY(w->Item("Ktxtskip")->isChecked());

    g.app->platform.SetInputSink(&sink);
    const int k = w->Scale();
    QWheelEvent wheel(QPointF(30 * k, 40 * k), w->mapToGlobal(QPointF(30 * k, 40 * k)), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &wheel);
    QTest::keyPress(w, Qt::Key_Control);
    QTest::keyRelease(w, Qt::Key_Control);
    g.app->platform.SetInputSink(&g.app->engine);
    QCOMPARE(sink.events, (std::vector<std::string>{"wheel 30,40 120", "ctrl down", "ctrl up"}));
  }

  void closeQuestionCancelKeepsTheWindowAndOkWritesSettings() {
    Game g("SavePath=save\\\r\n", "");
    g.dir.Write("save/keep", "");
    QVERIFY(g.app->Open());
    MainWindow* w = g.app->window.get();
    QTRY_VERIFY_WITH_TIMEOUT(EngineProbe(g.app->engine).ExecutedLines() == 0 &&
                !EngineProbe(g.app->engine).Script().Lines().size(), test::kSettleMs);
    g.answers = {BoxAnswer::Cancel};
    EngineProbe(g.app->engine).PokeClicks().MouseDownFlag = true;
    w->close();
    QVERIFY(w->isVisible());
    QVERIFY(!EngineProbe(g.app->engine).Clicks().MouseDownFlag);
    QVERIFY(!std::filesystem::exists(g.dir.path() / "krv.ini"));
    QTest::keyClick(w, Qt::Key_Escape);  // Esc asks the same question
    QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), test::kSettleMs);
    QCOMPARE(g.boxes, (std::vector<std::string>{"終了|終了しますか？", "終了|終了しますか？"}));
    QVERIFY(g.dir.Read("krv.ini").rfind("Version=1.42\r\n", 0) == 0);
  }

  void closingDuringAWaitUnwindsTheStoryAndSaves() {
    Game g("SavePath=.\\\r\n", "_mouseclick\r\n_$flg[1]=1\r\n");
    QVERIFY(g.app->Open());
    QTimer::singleShot(100, g.app->window.get(), [&] { g.app->window->close(); });
    QTRY_VERIFY_WITH_TIMEOUT(std::filesystem::exists(g.dir.path() / "krv.ini"), test::kSettleMs);
    QCOMPARE(g.Flag(1), std::string("0"));
    QVERIFY(!g.app->window->isVisible());
  }

  void unwritableSaveFolderIsReportedAndTheGameRuns() {
    Game g("SavePath=nowhere\\\r\n", "_$flg[1]=1\r\n");
    QVERIFY(g.app->Open());
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
    QCOMPARE(g.boxes, std::vector<std::string>{"|セーブフォルダーに書き込めません：nowhere\\"});
    QCOMPARE(g.app->settings.SavePath, std::string("nowhere\\"));  // kept for the next start
  }

  void settingsRoundTrip() {
    Game g("SavePath=.\\\r\n", "");
    const std::string ini =
        "Version=1.42\r\n[Display]\r\nBGDarkness=1\r\n[System]\r\nSavePath=saves\\\r\n"
        "EnableMusic=0\r\nEnableSound=1\r\nHighSpeedText=0\r\nSkipText=1\r\n[Font]\r\n"
        "Font0=IPAGothic\r\nFont1=\r\nFont2=\r\nFont3=IPAMincho\r\n";
    g.dir.Write("krv.ini", ini);
    QVERIFY(g.app->Open());
    const config::Settings before = g.app->settings;
    g.app->window->Item("Ktxtwait")->trigger();
    g.app->window->Item("Kmusic")->trigger();
    g.app->window->SetItemEnabled(MenuItem::Darkness, true);  // as during a click wait
    g.app->window->Item("Mdarkness")->trigger();
    QVERIFY(!g.app->engine.Choices().backgroundDarkness);
    QVERIFY(!g.app->window->Item("Mdarkness")->isChecked());
    g.app->window->close();
    QTRY_VERIFY_WITH_TIMEOUT(!g.app->window->isVisible(), test::kSettleMs);
    config::ConfigReadResult after =
        config::ReadConfiguration({g.dir.str(), nullptr}, [](const std::string&) {});
    QVERIFY(after.settings.HighSpeedText);
    QVERIFY(after.settings.EnableMusic);
    config::Settings expected = before;
    expected.HighSpeedText = true;
    expected.EnableMusic = true;
    expected.BGDarkness = false;
    QVERIFY(after.settings == expected);
  }

  void screenShowsBackImageAtAWholeScale() {
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    MainWindow* w = g.app->window.get();
    const int k = w->Scale();
    QCOMPARE(w->size(), QSize(640 * k, 480 * k));
    EngineProbe(g.app->engine).PokeScreen().BackImage.SetPixel(10, 20, 0xFF0000);
    EngineProbe(g.app->engine).PokeScreen().BackImage.SetPixel(639, 479, 0x00FF00);
    const QImage shot = w->grab().toImage();
    QCOMPARE(shot.pixel(10 * k, 20 * k) & 0xFFFFFF, 0xFF0000u);
    QCOMPARE(shot.pixel(10 * k + k - 1, 20 * k + k - 1) & 0xFFFFFF, 0xFF0000u);  // sharp
    QCOMPARE(shot.pixel(11 * k, 20 * k) & 0xFFFFFF, 0x000000u);
    QCOMPARE(shot.pixel(639 * k, 479 * k) & 0xFFFFFF, 0x00FF00u);
    QCOMPARE(w->ToPicture(QPoint(10 * k + k - 1, 20 * k)), QPoint(10, 20));
    QCOMPARE(w->ToPicture(QPoint(-5, 100000)), QPoint(0, 479));
  }

  void slotDialogOpensOverTheWindow() {
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    SlotDialog* form = g.app->platform.SlotForm();
    QPoint centre;
    bool modal = false;
    QTimer::singleShot(0, form, [&] {
      centre = form->frameGeometry().center();
      modal = QApplication::activeModalWidget() == form;
      QTest::keyClick(form->focusWidget(), Qt::Key_Escape);
    });
    int slot = -1;
    QVERIFY(!g.app->platform.SlotDialog(SlotMode::Load, std::vector<SlotEntry>(80), slot));
    QVERIFY(modal);
    // Centred up to the width of a window border.
    QVERIFY((centre - g.app->window->frameGeometry().center()).manhattanLength() <= 8);
    QVERIFY(g.app->window->isVisible());
  }

  void fullScreenDisablesTheFrameSwitch() {
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    MainWindow* w = g.app->window.get();
    w->Item("Kfullscr")->trigger();
    QVERIFY(!w->Item("Kwinmode")->isEnabled());
    w->Item("Kfullscr")->trigger();
    QVERIFY(w->Item("Kwinmode")->isEnabled());
    QVERIFY(w->Item("Kwinmode")->isChecked());
    QCOMPARE(w->size(), QSize(640 * w->Scale(), 480 * w->Scale()));
  }
};

KORVANA_GUI_TEST(MainWindowTest);
#include "MainWindowTest.moc"
