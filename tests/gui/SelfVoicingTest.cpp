// The window's speech and text out: the focused control of a dialog is
// spoken while speech is on, and text out reaches the clipboard, a file and
// every client of the WebSocket server, which listens only while text out
// is on and reports a port in use, or a speech module that cannot be
// loaded, instead of failing.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTcpServer>
#include <QWebSocket>
#include <QtTest>
#include <functional>

#include "GuiGame.h"
#include "GuiTests.h"
#include "QtSpeech.h"
#include "QtTextOut.h"
#include "ReaderSettingsDialog.h"
#include "TempDir.h"

using namespace korvana;

namespace {

// Speech that remembers what it was asked to say.
class HeardSpeech : public QtSpeech {
 public:
  QStringList heard;
  void Say(const std::string& text) override { heard << QString::fromStdString(text); }
};

config::ReaderSettings Target(const char* target, int port = 1, std::string path = {}) {
  config::ReaderSettings s;
  s.textOutTarget = target;
  s.textOutPort = port;
  s.textOutPath = std::move(path);
  return s;
}

// A port nothing listens on now.
int FreePort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

}  // namespace

class SelfVoicingTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void menuItemsAreSpokenAsTheHighlightReachesThem() {
    for (bool on : {false, true}) {
      HeardSpeech speech;
      speech.enabled = [on] { return on; };
      QMenu menu;
      QAction* save = menu.addAction(QStringLiteral("データ保存"));
      QAction* voice = menu.addAction(QStringLiteral("読み上げ"));
      voice->setCheckable(true);
      voice->setChecked(true);
      QAction* load = menu.addAction(QStringLiteral("データ読み込み"));
      load->setEnabled(false);
      QMenu* tools = menu.addMenu(QStringLiteral("便利機能"));
      QAction* back = tools->addAction(QStringLiteral("一つ前に戻る"));
      speech.FollowMenu(&menu);
      for (QAction* a : {save, voice, load, tools->menuAction()}) Q_EMIT menu.hovered(a);
      Q_EMIT tools->hovered(back);
      const QStringList expected = {QStringLiteral("データ保存"), QStringLiteral("読み上げ オン"),
                                    QStringLiteral("データ読み込み 使えません"),
                                    QStringLiteral("便利機能 メニュー"),
                                    QStringLiteral("一つ前に戻る")};
      QCOMPARE(speech.heard, on ? expected : QStringList{});
    }
  }

  void theFocusedControlIsSpokenWhileSpeechIsOn() {
    for (bool on : {false, true}) {
      HeardSpeech speech;
      speech.enabled = [on] { return on; };
      QDialog dialog;
      auto* form = new QFormLayout(&dialog);
      auto* save = new QCheckBox(QStringLiteral("自動セーブする(&S)"), &dialog);
      save->setChecked(true);
      form->addRow(save);
      auto* rate = new QSpinBox(&dialog);
      rate->setRange(-10, 10);
      rate->setValue(3);
      auto* label = new QLabel(QStringLiteral("読む速さ(&R):"), &dialog);
      label->setBuddy(rate);
      form->addRow(label, rate);
      auto* target = new QComboBox(&dialog);
      target->addItems({QStringLiteral("クリップボード"), QStringLiteral("ファイル")});
      target->setCurrentIndex(1);
      target->setAccessibleName(QStringLiteral("出力先"));
      form->addRow(target);
      auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
      form->addRow(ok);
      dialog.show();
      dialog.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&dialog));
      for (QWidget* w : std::initializer_list<QWidget*>{save, rate, target, ok}) {
        w->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
      }
      const QStringList expected =
          on ? QStringList{QStringLiteral("自動セーブする オン"), QStringLiteral("読む速さ: 3"),
                           QStringLiteral("出力先 ファイル"), QStringLiteral("OK")}
             : QStringList{};
      // The first control may have had the focus from the start.
      QStringList heard = speech.heard;
      if (on && heard.size() == expected.size() + 1) heard.removeFirst();
      QCOMPARE(heard, expected);
    }
  }

  void theSettingsGroupShowsAndKeepsEachSetting() {
    auto with = [](std::string voice, int rate, const char* target, std::string path, int port) {
      config::ReaderSettings s = Target(target, port, std::move(path));
      s.speechVoice = std::move(voice);
      s.speechRate = rate;
      return s;
    };
    const struct {
      const char* what;
      config::ReaderSettings settings;
      QString shownVoice;
    } rows[] = {
        {"the defaults", config::ReaderSettings{},
         QStringLiteral("（自動：日本語の声があればそれ）")},
        {"a listed voice, slow, a file", with("jp-2", -10, "file", "/tmp/読み.txt", 7357),
         QStringLiteral("jp-2")},
        {"a voice no longer installed is kept", with("gone", 10, "websocket", "", 65535),
         QStringLiteral("gone")},
    };
    for (const auto& r : rows) {
      ReaderSettingsDialog form;
      form.SetVoices({QStringLiteral("jp-1"), QStringLiteral("jp-2")});
      form.Prepare(r.settings);
      QVERIFY2(form.Shown() == r.settings, r.what);
      QCOMPARE(form.speechVoice->currentText(), r.shownVoice);
    }
    ReaderSettingsDialog form;
    QStringList groups;
    for (const QGroupBox* g : form.findChildren<QGroupBox*>()) groups << g->title();
    QVERIFY(groups.contains(QStringLiteral("読み上げとテキスト出力")));
  }

  void textOutReachesTheClipboardAndAFile() {
    test::TempDir dir;
    const std::string file = dir.str() + "/lines.txt";
    const struct {
      const char* target;
      bool toClipboard;
      const char* inFile;
    } rows[] = {
        {"clipboard", true, ""},
        {"file", false, "一(いち)\n二\n"},
    };
    for (const auto& r : rows) {
      QGuiApplication::clipboard()->setText(QStringLiteral("before"));
      std::filesystem::remove(file);
      QtTextOut out;
      out.Configure(Target(r.target, 1, file));
      out.SetActive(true);
      out.SendText("一(いち)");
      out.SendText("二");
      QCOMPARE(QGuiApplication::clipboard()->text(),
               r.toClipboard ? QStringLiteral("二") : QStringLiteral("before"));
      QCOMPARE(dir.Read("lines.txt"), std::string(r.inFile));
      // Nothing listens for either.
      QCOMPARE(int(out.ListeningPort()), 0);
    }
  }

  void everyWebSocketClientGetsEachLine() {
    const int port = FreePort();
    QtTextOut out;
    out.Configure(Target("websocket", port));
    // Nothing is opened before the reader turns text out on.
    QCOMPARE(int(out.ListeningPort()), 0);
    out.SetActive(true);
    QCOMPARE(int(out.ListeningPort()), port);
    QWebSocket first, second;
    QStringList gotFirst, gotSecond;
    connect(&first, &QWebSocket::textMessageReceived, this,
            [&](const QString& m) { gotFirst << m; });
    connect(&second, &QWebSocket::textMessageReceived, this,
            [&](const QString& m) { gotSecond << m; });
    const QUrl url(QStringLiteral("ws://127.0.0.1:%1").arg(port));
    first.open(url);
    second.open(url);
    QTRY_COMPARE_WITH_TIMEOUT(first.state(), QAbstractSocket::ConnectedState, test::kSettleMs);
    QTRY_COMPARE_WITH_TIMEOUT(second.state(), QAbstractSocket::ConnectedState, test::kSettleMs);
    // The server takes its clients on its side as its events come.
    QTest::qWait(100);
    out.SendText("漢字(かんじ)を読む");
    out.SendText("二ページ目");
    const QStringList expected{QStringLiteral("漢字(かんじ)を読む"), QStringLiteral("二ページ目")};
    QTRY_COMPARE_WITH_TIMEOUT(gotFirst, expected, test::kSettleMs);
    QTRY_COMPARE_WITH_TIMEOUT(gotSecond, expected, test::kSettleMs);
    // Turned off, the port is closed again.
    out.SetActive(false);
    QCOMPARE(int(out.ListeningPort()), 0);
  }

  void aServerThatCannotStartIsANote() {
    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
    auto noModule = [](std::string& why) {
      return speech::LoadDoor({"/nonexistent/libkorvana_speech.so"}, why);
    };
    const struct {
      const char* what;
      int port;
      std::function<const speech::Door*(std::string&)> door;
    } rows[] = {
        {"a port in use", taken.serverPort(), speech::OpenDoor},
        {"no module to make the server", FreePort(), noModule},
    };
    for (const auto& r : rows) {
      QtTextOut out;
      out.door = r.door;
      QStringList notes;
      out.note = [&](const std::string& text) { notes << QString::fromStdString(text); };
      out.Configure(Target("websocket", r.port));
      out.SetActive(true);
      out.SendText("一");  // goes nowhere, and tries again without a second note
      QVERIFY2(out.ListeningPort() == 0, r.what);
      QVERIFY2(notes.size() == 1, r.what);
      QVERIFY2(notes[0].startsWith(QStringLiteral("テキスト出力: ポート %1 を開けません (").arg(r.port)),
               r.what);
    }
  }

  void speechWithoutItsModuleSaysWhyAndStaysSilent() {
    // The engine named by the tests' environment is none at all: this one
    // asks for the machine's, so that the module is what is missing.
    const QByteArray engine = qgetenv("KORVANA_SPEECH_ENGINE");
    qunsetenv("KORVANA_SPEECH_ENGINE");
    QtSpeech speech(QStringLiteral("no such engine"));
    qputenv("KORVANA_SPEECH_ENGINE", engine);
    int asked = 0;
    speech.door = [&](std::string& why) {
      ++asked;
      return speech::LoadDoor({"/nonexistent/libkorvana_speech.so"}, why);
    };
    std::string why;
    QVERIFY(!speech.SpeechAvailable(why));
    QCOMPARE(QString::fromStdString(why), QStringLiteral("音声合成エンジンがインストールされていません。"));
    speech.Say("一");
    QVERIFY(!speech.Speaking());
    QVERIFY(speech.VoiceNames().isEmpty());
    // Looked for once, where an engine is installed at all.
    QCOMPARE(asked, speech.EngineInstalled() ? 1 : 0);
  }

  void theWindowGreysSpeechWithoutAnEngineAndTextOutFollowsItsItem() {
    test::Game g("SavePath=.\\\r\n", "_$flg[1]=1\r\n");
    QVERIFY(g.app->Open());
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
    QVERIFY(!g.app->window->Item("Xspeak")->isEnabled());
    // Its shortcut tells the reader why instead.
    QTest::keyClick(g.app->window.get(), Qt::Key_V);
    auto* note = g.app->window->findChild<QLabel*>("Note");
    QVERIFY(note);
    QTRY_VERIFY_WITH_TIMEOUT(note->isVisible(), test::kSettleMs);
    QCOMPARE(note->text(), QStringLiteral("音声合成エンジンがインストールされていません。"));
    QVERIFY(!g.app->engine.SpeechOn());
    QAction* textOut = g.app->window->Item("Xtextout");
    QVERIFY(textOut->isEnabled());
    config::ReaderSettings settings = Target("websocket", FreePort());
    g.app->platform.ApplyReaderSettings(settings);
    QCOMPARE(int(g.app->platform.textOut().ListeningPort()), 0);
    textOut->trigger();
    QVERIFY(textOut->isChecked());
    QVERIFY(g.app->engine.TextOutOn());
    QCOMPARE(int(g.app->platform.textOut().ListeningPort()), settings.textOutPort);
    textOut->trigger();
    QVERIFY(!g.app->engine.TextOutOn());
    QCOMPARE(int(g.app->platform.textOut().ListeningPort()), 0);
  }
};

KORVANA_GUI_TEST(SelfVoicingTest);
#include "SelfVoicingTest.moc"
