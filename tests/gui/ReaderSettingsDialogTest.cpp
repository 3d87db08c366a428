// The reader's settings as the window keeps them: read from their own file
// at start (a damaged one reported once), shown and changed in "設定" with the
// keyboard alone, applied and written on OK and left alone on Cancel.
#include <QLabel>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "GuiGame.h"
#include "GuiTests.h"
#include "ReaderSettingsDialog.h"

using namespace korvana;
using test::Game;

namespace {

config::ReaderSettings Changed() {
  config::ReaderSettings s;
  s.autoBaseMs = 2500;
  s.autoPerCharMs = 15;
  s.skipStopsAtChoices = false;
  s.skipUnread = true;
  s.autoSaves = false;
  return s;
}

// The settings file's settings as another run would read them; null when
// there is no readable file.
std::optional<config::ReaderSettings> Kept(const std::string& path) {
  config::ReaderSettings read;
  std::string error;
  if (!config::ReadReaderSettings(path, read, error)) return std::nullopt;
  return read;
}

// Runs `act` on the modal settings dialog once it shows.
void WhenShown(QtPlatform& platform, std::function<void(ReaderSettingsDialog&)> act) {
  QTimer::singleShot(0, [&platform, act] {
    ReaderSettingsDialog* form = platform.SettingsForm();
    QVERIFY(QApplication::activeModalWidget() == form);
    act(*form);
  });
}

void Type(const QString& keys) {
  QTest::keyClicks(QApplication::focusWidget(), keys);
}

// The control that has the focus, by name (a spin box's inner line edit
// counts as the box).
QString Focused(QWidget* form) {
  for (QWidget* w = QApplication::focusWidget(); w && w != form; w = w->parentWidget())
    if (!w->objectName().isEmpty() && !w->objectName().startsWith("qt_")) return w->objectName();
  return {};
}

void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

}  // namespace

class ReaderSettingsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void theWindowStartsWithTheSettingsFile() {
    const struct {
      const char* what;
      const char* bytes;  // null: no file
      config::ReaderSettings expected;
      int boxes;
    } rows[] = {
        {"no file", nullptr, {}, 0},
        {"every key changed",
         "AutoBaseMs=2500\nAutoPerCharMs=15\nSkipStopsAtChoices=off\nSkipUnread=on\n"
         "AutoSaves=off\n",
         Changed(), 0},
        {"damaged", "AutoBaseMs=fast\n", {}, 1},
    };
    for (const auto& r : rows) {
      Game g("SavePath=.\\\r\n", "_$flg[1]=1\r\n");
      if (r.bytes) g.dir.Write("config/korvana/settings.ini", r.bytes);
      QVERIFY(g.app->Open());
      QVERIFY2(g.app->engine.Reader() == r.expected, r.what);
      QCOMPARE(int(g.boxes.size()), r.boxes);
      if (r.boxes) {
        // The message names the file, and the damaged one is kept beside it.
        QVERIFY(g.boxes[0].find("settings.ini") != std::string::npos);
        QVERIFY(std::filesystem::exists(g.ReaderSettingsPath() + ".bak"));
      }
      QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
    }
  }

  void captionsSayWhatEachSettingIs() {
    ReaderSettingsDialog form;
    form.Prepare({});
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("設定"));
    QStringList labels;
    for (const QLabel* label : form.findChildren<QLabel*>()) labels << label->text();
    QVERIFY(labels.contains(QStringLiteral("オートの待ち時間（基本）(&B):")));
    QVERIFY(labels.contains(QStringLiteral("1文字ごとの待ち時間(&P):")));
    QCOMPARE(form.skipStopsAtChoices->text(), QStringLiteral("選択肢でスキップを止める(&C)"));
    QCOMPARE(form.skipUnread->text(), QStringLiteral("未読の文章もスキップする(&U)"));
    QCOMPARE(form.autoSaves->text(), QStringLiteral("自動セーブする(&S)"));
    for (const QLabel* label : form.findChildren<QLabel*>()) QVERIFY(label->buddy());
    // The defaults as the file's defaults give them.
    QVERIFY(form.Shown() == config::ReaderSettings{});
    // What the dialog has no control for comes back as it went in.
    config::ReaderSettings listening;
    listening.speechOn = true;
    form.Prepare(listening);
    QVERIFY(form.Shown().speechOn);
    // The author's switch shows as it is and is taken as it is left.
    for (const bool on : {false, true}) {
      config::ReaderSettings author;
      author.reloadOnChange = on;
      form.Prepare(author);
      QCOMPARE(form.reloadOnChange->isChecked(), on);
      form.reloadOnChange->click();
      QCOMPARE(form.Shown().reloadOnChange, !on);
    }
    QCOMPARE(form.autoBase->text(), QStringLiteral("1500 ms"));
    QCOMPARE(form.autoPerChar->text(), QStringLiteral("40 ms"));
  }

  void tabVisitsEveryControlInOrder() {
    ReaderSettingsDialog form;
    QStringList visited;
    const QString expected = QStringLiteral(
        "autoBase autoPerChar skipStopsAtChoices skipUnread autoSaves scalingSmooth scalingFit "
        "speechVoice speechRate textOutTarget textOutPath textOutPort "
        "padA padB padX padY padLB padRB padLT padRT padStart padBack padUp padDown padLeft "
        "padRight reloadOnChange ok cancel autoBase");
    const int tabs = int(expected.count(' '));
    QTimer::singleShot(0, &form, [&form, &visited, tabs] {
      QTest::qWaitFor([&form] { return form.isActiveWindow(); }, test::kSettleMs);
      visited << Focused(&form);
      for (int i = 0; i < tabs; ++i) {
        Press(Qt::Key_Tab);
        visited << Focused(&form);
      }
      form.reject();
    });
    config::ReaderSettings settings;
    QVERIFY(!form.Choose(settings));
    QCOMPARE(visited.join(' '), expected);
  }

  void okAppliesAndWritesAndCancelKeepsEverything() {
    const struct {
      const char* how;
      std::function<void()> close;
      bool ok;
    } rows[] = {
        {"Enter", [] { Press(Qt::Key_Return); }, true},
        {"Tab to OK, Space",
         [] {
           // Past the groups below the last switch, however many there are.
           for (int i = 0; i < 100 && QApplication::focusWidget()->objectName() != "ok"; ++i)
             Press(Qt::Key_Tab);
           Press(Qt::Key_Space);
         },
         true},
        {"Enter in a time box",
         [] {
           Press(Qt::Key_B, Qt::AltModifier);
           Press(Qt::Key_Return);
         },
         true},
        {"Esc", [] { Press(Qt::Key_Escape); }, false},
    };
    for (const auto& r : rows) {
      Game g("SavePath=.\\\r\n", "_$flg[1]=1\r\n");
      g.dir.Write("config/korvana/settings.ini", "# mine\nVoice=quiet\n");
      QVERIFY(g.app->Open());
      QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
      // What the dialog showed before it closed; checked after, so that a
      // failed check cannot leave the dialog open.
      config::ReaderSettings edited;
      QString focusedLast;
      WhenShown(g.app->platform, [&r, &edited, &focusedLast](ReaderSettingsDialog& form) {
        QTest::qWaitFor([&form] { return form.isActiveWindow(); }, test::kSettleMs);
        // Everything by keys: the boxes by Tab, the switches by their
        // underlined letters.
        Press(Qt::Key_A, Qt::ControlModifier);
        Type("2500");
        Press(Qt::Key_Tab);
        Press(Qt::Key_A, Qt::ControlModifier);
        Type("15");
        Press(Qt::Key_C, Qt::AltModifier);
        Press(Qt::Key_U, Qt::AltModifier);
        Press(Qt::Key_S, Qt::AltModifier);
        // A mnemonic clicks its box the way a mouse does, a moment later.
        QTest::qWaitFor([&form] { return form.Shown() == Changed(); }, test::kSettleMs);
        edited = form.Shown();
        focusedLast = Focused(&form);
        r.close();
        // Whatever the keys did, the dialog ends here.
        if (form.isVisible()) form.reject();
      });
      g.app->window->Item("Xsettings")->trigger();
      QCOMPARE(edited.autoBaseMs, 2500);
      QCOMPARE(edited.autoPerCharMs, 15);
      QVERIFY(edited == Changed());
      QCOMPARE(focusedLast, QStringLiteral("autoSaves"));
      QVERIFY2(g.app->engine.Reader() == (r.ok ? Changed() : config::ReaderSettings{}), r.how);
      const std::string kept = g.dir.Read("config/korvana/settings.ini");
      if (r.ok) {
        QVERIFY(Kept(g.ReaderSettingsPath()) == Changed());
        // The reader's own lines stay where they were.
        QVERIFY2(kept.rfind("# mine\nVoice=quiet\n", 0) == 0, kept.c_str());
      } else {
        QCOMPARE(kept, std::string("# mine\nVoice=quiet\n"));
      }
      // The next opening shows what the engine has now.
      WhenShown(g.app->platform, [&r](ReaderSettingsDialog& form) {
        QVERIFY(form.Shown() == (r.ok ? Changed() : config::ReaderSettings{}));
        form.reject();
      });
      g.app->window->Item("Xsettings")->trigger();
      QVERIFY(g.boxes.empty());
    }
  }

  void aFileThatCannotBeWrittenIsReportedAndTheSettingsStillApply() {
    Game g("SavePath=.\\\r\n", "_$flg[1]=1\r\n");
    // A plain file where the settings' folder would be.
    g.dir.Write("config", "not a folder");
    QVERIFY(g.app->Open());
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
    WhenShown(g.app->platform, [](ReaderSettingsDialog& form) {
      form.Prepare(Changed());
      form.accept();
    });
    g.app->window->Item("Xsettings")->trigger();
    QVERIFY(g.app->engine.Reader() == Changed());
    QCOMPARE(int(g.boxes.size()), 1);
    QVERIFY(g.boxes[0].rfind("|設定を保存できませんでした：", 0) == 0);
    QVERIFY(g.boxes[0].find("settings.ini") != std::string::npos);
  }
};

KORVANA_GUI_TEST(ReaderSettingsDialogTest);
#include "ReaderSettingsDialogTest.moc"
