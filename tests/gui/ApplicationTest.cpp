// The application around the window: Qt's own dialogs in Japanese whatever
// the system language, and the error handler that shows and reports what
// escapes a window handler instead of letting it end the program.
#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <stdexcept>

#include "Application.h"
#include "GuiGame.h"
#include "GuiTests.h"

using namespace korvana;
using test::Game;

namespace {

constexpr const char* kReportQuestion =
    "エラー発生！！強制終了しますか？(設定ファイルを保存しません)";

QStringList ButtonTexts(const QDialogButtonBox* box) {
  QStringList texts;
  for (QAbstractButton* b : box->buttons()) texts << b->text().remove('&');
  texts.sort();
  return texts;
}

}  // namespace

class ApplicationTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void qtsOwnDialogsSpeakJapanese() {
    QVERIFY(Application::Instance());
    const struct {
      QMessageBox::StandardButtons buttons;
      QStringList texts;
    } rows[] = {
        {QMessageBox::Ok | QMessageBox::Cancel, {"OK", "キャンセル"}},
        {QMessageBox::Yes | QMessageBox::No, {"いいえ(N)", "はい(Y)"}},
    };
    for (const auto& r : rows) {
      QMessageBox box(QMessageBox::Question, "t", "x", r.buttons);
      QCOMPARE(ButtonTexts(box.findChild<QDialogButtonBox*>()), r.texts);
    }
    QInputDialog input;
    input.show();
    QCOMPARE(ButtonTexts(input.findChild<QDialogButtonBox*>()), (QStringList{"OK", "キャンセル"}));
    QFileDialog files(nullptr, "t");
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.show();
    QCOMPARE(files.findChild<QLabel*>("fileNameLabel")->text().remove('&'),
             QStringLiteral("ファイル名(N):"));
    QCOMPARE(QLocale().language(), QLocale::Japanese);
  }

  void anErrorEscapingAHandlerIsShownThenReported() {
    for (const bool terminate : {false, true}) {
      test::ClearQuit();
      Game g("SavePath=.\\\r\n", "_$flg[1]=1\r\n_mouseclick\r\n_$flg[2]=1\r\n_$flg[9]=1\r\n");
      g.answers = {BoxAnswer::Ok, terminate ? BoxAnswer::Yes : BoxAnswer::No};
      QVERIFY(g.app->Open());
      MainWindow* w = g.app->window.get();
      test::DuringTheStory(
          g, {
                 // A library error in a window handler while the story waits.
                 [] { throw std::invalid_argument("stoi: 数値に変換できません"); },
                 [w] { QTest::mouseClick(w, Qt::LeftButton, {}, w->FromPicture(QPoint(10, 10))); },
             });
      QTRY_VERIFY_WITH_TIMEOUT(g.Flag(9) == "1" || !w->isVisible(), test::kSettleMs);
      QCOMPARE(g.boxes.size(), size_t(2));
      QCOMPARE(g.boxes[0], std::string("Korvana|stoi: 数値に変換できません"));
      QCOMPARE(g.boxes[1], "File:autorun.txt Line:2/stoi: 数値に変換できません|" +
                               std::string(kReportQuestion));
      // Answered "terminate": ended at once with the story, without writing
      // the settings; otherwise the story went on from its wait.
      QCOMPARE(g.Flag(2), std::string(terminate ? "0" : "1"));
      QCOMPARE(w->isVisible(), !terminate);
      QVERIFY(!std::filesystem::exists(g.dir.path() / "krv.ini"));
    }
  }

  void anErrorAfterTheStoryEndedEndsTheProgramWhenAnsweredYes() {
    Game g("SavePath=.\\\r\n", "_$flg[9]=1\r\n");
    QVERIFY(g.app->Open());
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(9), std::string("1"), test::kSettleMs);
    g.answers = {BoxAnswer::Ok, BoxAnswer::Yes};
    QTimer::singleShot(0, g.app->window.get(), [] { throw std::bad_alloc(); });
    QTRY_VERIFY_WITH_TIMEOUT(!g.app->window->isVisible(), test::kSettleMs);
    QCOMPARE(g.boxes.size(), size_t(2));
    QVERIFY(g.boxes[0].rfind("Korvana|", 0) == 0);
    QVERIFY(!std::filesystem::exists(g.dir.path() / "krv.ini"));
  }
};

KORVANA_GUI_TEST(ApplicationTest);
#include "ApplicationTest.moc"
