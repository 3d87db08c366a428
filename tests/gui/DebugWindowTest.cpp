// The debug window as an author meets it: its tabs and buttons, the flag
// list kept current while the story runs behind it and edited with "SET",
// the state dump (the same lines `--dump-state` writes), the engine's
// pictures, and the window left open while the story returns to the title.
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "DebugWindow.h"
#include "GuiGame.h"
#include "GuiTests.h"
#include "graphics/Picture.h"
#include "headless/HeadlessSession.h"
#include "script/EngineProbe.h"

using namespace korvana;
using test::Game;

namespace {

constexpr const char* kDebugging =
    "Version=1.42\r\n[Display]\r\nBGDarkness=0\r\n[System]\r\nSavePath=.\\\r\nEnableMusic=1\r\n"
    "EnableSound=1\r\nHighSpeedText=0\r\nSkipText=0\r\nDebugMode=on\r\n";

QStringList Lines(const QListWidget* list) {
  QStringList lines;
  for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
  return lines;
}

QStringList Utf8(const std::vector<std::string>& cp932Lines) {
  QStringList lines;
  for (const std::string& l : cp932Lines) lines << QString::fromStdString(cp932::ToUtf8(l));
  return lines;
}

// A game in debug mode whose story ran to its end, `flag` = "1" the last
// thing it did.
struct DebugGame : Game {
  DebugGame(const std::string& script, int flag, const std::string& cfg = "SavePath=.\\\r\n")
      : Game(cfg, script) {
    dir.Write("krv.ini", kDebugging);
    if (!app->Open()) return;
    QTRY_COMPARE_WITH_TIMEOUT(Flag(flag), std::string("1"), test::kSettleMs);
  }
  DebugWindow* Open() {
    app->window->Item("Mdebug")->trigger();
    return app->window->findChild<DebugWindow*>();
  }
};

// A click on the picture: the story's wait for one ends.
void ClickTheStory(Game& g) {
  MainWindow* w = g.app->window.get();
  QTest::mouseClick(w, Qt::LeftButton, {}, w->FromPicture(QPoint(320, 240)));
}

}  // namespace

class DebugWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void formAndCaptions() {
    DebugWindow form;
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("デバッグモード"));
    QCOMPARE(form.size(), QSize(459, 315));
    QVERIFY(!form.isModal());
    QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    QStringList tabs;
    for (int i = 0; i < form.PageControl1->count(); ++i) tabs << form.PageControl1->tabText(i);
    QCOMPARE(tabs, (QStringList{"エラーリスト", "変数リスト", "実行時ステータス", "画像バッファ"}));
    const struct {
      QWidget* widget;
      const char* text;
    } rows[] = {
        {form.Button1, "閉じる"},
        {form.Button4, "プログラム終了"},
        {form.Button3, "SET"},
        {form.Button5, "強制更新"},
        {form.Label1, "選択："},
        {form.Button2, "更新"},
        {form.Label2, "←ここは自動的に更新されます"},
        {form.Label3, "選択し直せば更新"},
        {form.JumpButton, "ここから実行"},
        {form.StepButton, "1行実行"},
        {form.ContinueButton, "続行"},
    };
    for (const auto& r : rows) {
      const QString text = qobject_cast<QPushButton*>(r.widget)
                               ? qobject_cast<QPushButton*>(r.widget)->text()
                               : qobject_cast<QLabel*>(r.widget)->text();
      QCOMPARE(text, QString::fromUtf8(r.text));
    }
    QStringList buffers;
    for (int i = 0; i < form.ComboBox1->count(); ++i) buffers << form.ComboBox1->itemText(i);
    QCOMPARE(buffers,
             (QStringList{"仮想ＶＲＡＭ", "背景", "効果", "テキスト", "背景Ｍ(未使用)", "効果Ｍ",
                          "テキストＭ", "ＴＥＭＰ１", "ＴＥＭＰ２", "人物０", "人物０Ｍ", "人物１",
                          "人物１Ｍ", "人物２", "人物２Ｍ", "スプライト", "スプライトＭ"}));
    QCOMPARE(form.Image1->size(), QSize(320, 240));
    // Every control lies inside the client area.
    for (int tab = 0; tab < form.PageControl1->count(); ++tab) {
      form.PageControl1->setCurrentIndex(tab);
      for (QWidget* w : form.findChildren<QWidget*>())
        if (w->isVisible())
          QVERIFY2(form.rect().contains(QRect(w->mapTo(&form, QPoint(0, 0)), w->size())),
                   qPrintable(w->objectName()));
    }
  }

  void onlyDebugModeShowsTheWindow() {
    Game g("SavePath=.\\\r\n", "_$flg[1]=1\r\n");
    QVERIFY(g.app->Open());
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
    EngineProbe(g.app->engine).PokeClicks().ClickFlag = true;
    g.app->window->Item("Mdebug")->trigger();
    QVERIFY(!g.app->window->findChild<DebugWindow*>());
    QVERIFY(g.app->engine.ValueLines().empty());
    QVERIFY(!EngineProbe(g.app->engine).Clicks().ClickFlag);
  }

  void theStoryRunsBehindAndSeesWhatSetChanged() {
    Game g("SavePath=.\\\r\n", "_$flg[1]=5\r\n_mouseclick\r\n_$flg[2]=$flg[1]+1\r\n_$flg[9]=1\r\n");
    g.dir.Write("krv.ini", kDebugging);
    QVERIFY(g.app->Open());
    DebugWindow* form = nullptr;
    bool modeless = false;
    QStringList shown, afterSet;
    QString selected, edited;
    std::string flagAfterSet;
    test::DuringTheStory(g, {
                                [&] {
                                  g.app->window->Item("Mdebug")->trigger();
                                  form = g.app->window->findChild<DebugWindow*>();
                                  modeless = form && form->isVisible() &&
                                             !QApplication::activeModalWidget();
                                  if (form) shown = Lines(form->ValList);
                                },
                                [&] {
                                  form->ValList->setCurrentRow(1);
                                  selected = form->SelectedIndex->text();
                                  edited = form->ValEdit1->text();
                                  form->ValEdit1->setText(QStringLiteral("41"));
                                  QTest::mouseClick(form->Button3, Qt::LeftButton);
                                  flagAfterSet = g.Flag(1);
                                  afterSet = Lines(form->ValList);
                                },
                                [&] { ClickTheStory(g); },
                            });
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(9), std::string("1"), test::kSettleMs);
    QVERIFY(modeless);
    QCOMPARE(shown.size(), 512);
    QCOMPARE(shown[0], QStringLiteral("000 = 0"));
    QCOMPARE(shown[1], QStringLiteral("001 = 5"));
    QCOMPARE(shown[511], QStringLiteral("511 = 0"));
    QCOMPARE(selected, QStringLiteral("1"));
    QCOMPARE(edited, QStringLiteral("5"));
    QCOMPARE(flagAfterSet, std::string("41"));
    QCOMPARE(afterSet[1], QStringLiteral("001 = 41"));
    // The script read the new value, and its assignment reached the list.
    QCOMPARE(g.Flag(2), std::string("42"));
    QCOMPARE(form->ValList->item(2)->text(), QStringLiteral("002 = 42"));
    QVERIFY(g.boxes.empty());
  }

  void setRefusesNoSelectionAndWhatCp932CannotHold() {
    DebugGame g("_$flg[9]=1\r\n", 9);
    DebugWindow* form = g.Open();
    form->ValList->setCurrentRow(-1);
    form->ValEdit1->setText(QStringLiteral("x"));
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QVERIFY(g.boxes.empty());
    QCOMPARE(Utf8(g.app->engine.ValueLines()), Lines(form->ValList));  // nothing changed

    form->ValList->setCurrentRow(3);
    form->ValEdit1->setText(QStringLiteral("绿😀"));
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QCOMPARE(g.Flag(3), std::string("0"));
    QCOMPARE(g.boxes.size(), size_t(1));
    QVERIFY(g.boxes[0].rfind("SET|", 0) == 0);
    QVERIFY(g.boxes[0].find("CP932") != std::string::npos);

    const QString long10000 = QString(10000, QChar(0x3042));  // あ
    form->ValEdit1->setText(long10000);
    QTest::mouseClick(form->Button3, Qt::LeftButton);
    QCOMPARE(QString::fromStdString(g.Flag(3)), long10000);
    QCOMPARE(form->ValList->item(3)->text(), QStringLiteral("003 = ") + long10000);
    QCOMPARE(g.boxes.size(), size_t(1));
  }

  void errorsAnsweredNoAreListed() {
    Game g("SavePath=.\\\r\n", "_nosuch\r\n_$flg[9]=1\r\n");
    g.dir.Write("krv.ini", kDebugging);
    g.answers = {BoxAnswer::Ok, BoxAnswer::No};
    QVERIFY(g.app->Open());
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(9), std::string("1"), test::kSettleMs);
    g.app->window->Item("Mdebug")->trigger();
    DebugWindow* form = g.app->window->findChild<DebugWindow*>();
    QCOMPARE(Lines(form->ErrList), QStringList{"File:autorun.txt Line:1/コマンドが変です_nosuch"});
  }

  void theDumpIsWhatDumpStateWrites() {
    const std::string script = "!第二章\r\n_$flg[1]=7\r\n_$flg[9]=1\r\n";
    DebugGame g(script, 9);
    DebugWindow* form = g.Open();
    // On showing: where the story is and the folder it runs in.
    const QStringList dump = Utf8(g.app->engine.StateDump());
    QCOMPARE(dump.size(), 16);
    QCOMPARE(Lines(form->ListBox1), dump.mid(14));
    QCOMPARE(dump[14], QStringLiteral("**実行が終了しているか、スクリプトが走っていません**"));
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    QCOMPARE(Lines(form->ListBox1), dump);

    // The same game without a window, its dump written as the command does.
    test::TempDir out;
    HeadlessCommandLine command;
    command.gameDir = g.dir.str();
    command.dumpState = out.str() + "/state.txt";
    QCOMPARE(RunHeadlessCommand(command), 0);
    std::ifstream file(command.dumpState);
    QStringList written;
    for (std::string line; std::getline(file, line);) written << QString::fromStdString(line);
    QCOMPARE(written, Lines(form->ListBox1));
  }

  void picturesWithTheirSizesAndFiles() {
    Game g("SavePath=.\\\r\n",
           "_bgload bg.png\r\n_sprload sheet.png,16,16,sheetm.png\r\n_$flg[9]=1\r\n");
    QVERIFY(WritePng(Picture(100, 60, 0x2040C0), g.dir.str() + "/bg.png"));
    QVERIFY(WritePng(Picture(64, 32, 0x808080), g.dir.str() + "/sheet.png"));
    QVERIFY(WritePng(Picture(64, 32, 0xFFFFFF), g.dir.str() + "/sheetm.png"));
    g.dir.Write("krv.ini", kDebugging);
    QVERIFY(g.app->Open());
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(9), std::string("1"), test::kSettleMs);
    g.app->window->Item("Mdebug")->trigger();
    DebugWindow* form = g.app->window->findChild<DebugWindow*>();
    form->PageControl1->setCurrentIndex(3);
    const struct {
      int index;
      const char* file;
      const char* sizeX;
      const char* sizeY;
    } rows[] = {
        {1, "", "SizeX:100", "SizeY:60"},
        {0, "", "SizeX:640", "SizeY:480"},
        {4, "", "SizeX:0", "SizeY:0"},
        // The cross-fade's screen before any transition.
        {7, "", "SizeX:640", "SizeY:480"},
        {15, "File:sheet.png", "SizeX:64", "SizeY:32"},
        {16, "File:sheetm.png", "SizeX:64", "SizeY:32"},
    };
    for (const auto& r : rows) {
      form->ComboBox1->setCurrentIndex(r.index);
      emit form->ComboBox1->activated(r.index);
      QCOMPARE(form->FileLabel->text(), QString::fromUtf8(r.file));
      QCOMPARE(form->SizeXLabel->text(), QString::fromUtf8(r.sizeX));
      QCOMPARE(form->SizeYLabel->text(), QString::fromUtf8(r.sizeY));
      const QImage view = form->Image1->grab().toImage();
      QCOMPARE(view.size(), QSize(320, 240));
      // The picture stretched over the view: its middle in the view's.
      const Picture& p = g.app->engine.BufferPicture(r.index);
      QCOMPARE(view.pixel(160, 120) & 0xFFFFFF,
               p.Empty() ? 0u : p.Pixel(p.Width() / 2, p.Height() / 2));
      if (r.index == 1) QCOMPARE(view.pixel(160, 120) & 0xFFFFFF, 0x2040C0u);
    }
  }

  void openWhileTheStoryReturnsToTheTitle() {
    Game g("SavePath=.\\\r\n",
           "_($flg[300]==1), _goto :again\r\n_$flg[300]=1\r\n_$flg[5]=9\r\n_mouseclick\r\n"
           ":again\r\n_$flg[6]=1\r\n_$flg[9]=1\r\n");
    g.dir.Write("krv.ini", kDebugging);
    QVERIFY(g.app->Open());
    DebugWindow* form = nullptr;
    QString before;
    test::DuringTheStory(g, {
                                [&] {
                                  g.app->window->Item("Mdebug")->trigger();
                                  form = g.app->window->findChild<DebugWindow*>();
                                  before = form->ValList->item(5)->text();
                                  form->ValList->setCurrentRow(5);
                                  g.app->engine.RequestTitleReturn();
                                },
                                [&] { ClickTheStory(g); },
                            });
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(9), std::string("1"), test::kSettleMs);
    QCOMPARE(before, QStringLiteral("005 = 9"));
    QVERIFY(form->isVisible());
    QCOMPARE(form->ValList->item(5)->text(), QStringLiteral("005 = 0"));
    QCOMPARE(form->ValList->item(6)->text(), QStringLiteral("006 = 1"));
    QCOMPARE(form->ValList->currentRow(), 5);  // the author's place is kept
    QCOMPARE(Lines(form->ValList), Utf8(g.app->engine.ValueLines()));
  }

  void theLabelListMovesTheStoryKeepingItsFlags() {
    const struct {
      const char* what;
      bool storyWaits;  // else the story has ended when the jump is made
    } rows[] = {{"from a wait", true}, {"after the end", false}};
    for (const auto& r : rows) {
      test::ClearQuit();
      Game g("SavePath=.\\\r\n",
             std::string("_$flg[1]=5\r\n") + (r.storyWaits ? "_mouseclick\r\n" : "") +
                 "_$flg[2]=1\r\n:back\r\n_$flg[9]=1\r\n");
      g.dir.Write("krv.ini", kDebugging);
      g.dir.Write("b.txt", ";elsewhere\r\n:there\r\n_$flg[3]=$flg[1]+1\r\n");
      QVERIFY(g.app->Open());
      QStringList labels;
      auto jump = [&] {
        g.app->window->Item("Mdebug")->trigger();
        DebugWindow* form = g.app->window->findChild<DebugWindow*>();
        for (int i = 0; i < form->LabelBox->count(); ++i) labels << form->LabelBox->itemText(i);
        form->LabelBox->setCurrentIndex(static_cast<int>(labels.indexOf("b.txt:2 :there")));
        QTest::mouseClick(form->JumpButton, Qt::LeftButton);
      };
      if (r.storyWaits) {
        test::DuringTheStory(g, {jump});
      } else {
        QTRY_COMPARE_WITH_TIMEOUT(g.Flag(9), std::string("1"), test::kSettleMs);
        jump();
      }
      QTRY_COMPARE_WITH_TIMEOUT(g.Flag(3), std::string("6"), test::kSettleMs);
      QCOMPARE(labels, (QStringList{"autorun.txt:" + QString::number(r.storyWaits ? 4 : 3) +
                                        " :back",
                                    "b.txt:2 :there"}));
      // What the jump passed over never ran; the flags set before it stayed.
      QCOMPARE(g.Flag(2), std::string(r.storyWaits ? "0" : "1"));
      QCOMPARE(g.Flag(1), std::string("5"));
      QVERIFY(Utf8(g.app->engine.StateDump()).contains("ProgFileName:b.txt"));
      QVERIFY(g.boxes.empty());
    }
  }

  void stepRunsOneLineAndStopsUntilContinued() {
    Game g("SavePath=.\\\r\n",
           "_mouseclick\r\n_$flg[1]=1\r\n_goto :c\r\n_$flg[2]=1\r\n:c\r\n_$flg[3]=1\r\n"
           "_$flg[4]=1\r\n");
    g.dir.Write("krv.ini", kDebugging);
    QVERIFY(g.app->Open());
    DebugWindow* form = nullptr;
    struct Seen {
      QString line, running, place, flags;
    };
    std::vector<Seen> seen;
    // What the status tab shows while the story stands.
    auto look = [&] {
      const QStringList dump = Lines(form->ListBox1);
      const qsizetype running = dump.indexOf("ProgRunningScript:");
      seen.push_back({dump.filter("ProgExecLine:").value(0), dump.value(running + 1),
                      form->PlaceLabel->text(),
                      QString::fromStdString(g.Flag(1) + g.Flag(2) + g.Flag(3) + g.Flag(4))});
    };
    auto lookThenStep = [&] {
      look();
      QTest::mouseClick(form->StepButton, Qt::LeftButton);
    };
    test::DuringTheStory(g, {
                                [&] {
                                  g.app->window->Item("Mdebug")->trigger();
                                  form = g.app->window->findChild<DebugWindow*>();
                                  // Asked inside a wait: the wait goes on.
                                  QTest::mouseClick(form->StepButton, Qt::LeftButton);
                                },
                                [&] { ClickTheStory(g); },
                                lookThenStep,
                                lookThenStep,
                                lookThenStep,
                                [&] {
                                  look();
                                  QTest::mouseClick(form->ContinueButton, Qt::LeftButton);
                                },
                            });
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(4), std::string("1"), test::kSettleMs);
    // One line a step: the next line, or the one a jump chose (the line
    // after the label).
    const struct {
      const char* line;
      const char* running;
      const char* place;
      const char* flags;  // flags 1 to 4
    } expected[] = {
        {"ProgExecLine:1", "\"_$flg[1]=1\"", "停止中：autorun.txt:2", "0000"},
        {"ProgExecLine:2", "\"_goto :c\"", "停止中：autorun.txt:3", "1000"},
        {"ProgExecLine:5", "\"_$flg[3]=1\"", "停止中：autorun.txt:6", "1000"},
        {"ProgExecLine:6", "\"_$flg[4]=1\"", "停止中：autorun.txt:7", "1010"},
    };
    QCOMPARE(seen.size(), std::size(expected));
    for (size_t i = 0; i < seen.size(); ++i) {
      QCOMPARE(seen[i].line, QString::fromUtf8(expected[i].line));
      QCOMPARE(seen[i].running, QString::fromUtf8(expected[i].running));
      QCOMPARE(seen[i].place, QString::fromUtf8(expected[i].place));
      QCOMPARE(seen[i].flags, QString::fromUtf8(expected[i].flags));
    }
    QCOMPARE(g.Flag(2), std::string("0"));
    QCOMPARE(form->PlaceLabel->text(), QString());  // running on, not stopped
  }

  void closeHidesAndTheMenuShowsItAgain() {
    DebugGame g("_$flg[9]=1\r\n", 9);
    DebugWindow* form = g.Open();
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    QVERIFY(!form->isVisible());
    QCOMPARE(g.Open(), form);
    QVERIFY(form->isVisible());
  }

  void programEndEndsAtOnceWithoutSettings() {
    for (const bool storyWaits : {true, false}) {
      test::ClearQuit();
      Game g("SavePath=.\\\r\n", storyWaits ? "_mouseclick\r\n_$flg[2]=1\r\n" : "_$flg[2]=1\r\n");
      g.dir.Write("krv.ini", kDebugging);
      QVERIFY(g.app->Open());
      test::DuringTheStory(g, {[&] {
                             g.app->window->Item("Mdebug")->trigger();
                             QTest::mouseClick(g.app->window->findChild<DebugWindow*>()->Button4,
                                               Qt::LeftButton);
                           }});
      QTRY_VERIFY_WITH_TIMEOUT(!g.app->window->isVisible(), test::kSettleMs);
      QVERIFY(g.boxes.empty());                                  // no close question
      QCOMPARE(g.dir.Read("krv.ini"), std::string(kDebugging));  // not written again
      QCOMPARE(g.Flag(2), std::string(storyWaits ? "0" : "1"));
    }
  }
};

KORVANA_GUI_TEST(DebugWindowTest);
#include "DebugWindowTest.moc"
