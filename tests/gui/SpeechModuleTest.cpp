// The speech module (Qt's text-to-speech, WebSockets and network) is loaded
// only when it is first needed: the window's start and text out to the
// clipboard or a file never load it; the WebSocket server does.
#include <QAction>
#include <QtTest>
#include <fstream>
#include <string>

#include "GuiGame.h"
#include "GuiTests.h"
#include "MainWindow.h"
#include "TempDir.h"

using namespace korvana;

namespace {

bool ModuleMapped() {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);)
    if (line.find("libkorvana_speech.so") != std::string::npos) return true;
  return false;
}

}  // namespace

class SpeechModuleTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void onlyTheWebSocketServerLoadsTheModule() {
    // Another class run in this process may have loaded it already.
    if (ModuleMapped()) QSKIP("the speech module was loaded before this class ran");
    test::Game g("SavePath=.\\\r\n", "_$flg[1]=1\r\n");
    QVERIFY(g.app->Open());
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
    QAction* textOut = g.app->window->Item("Xtextout");
    const struct {
      const char* what;
      const char* target;  // null: text out stays off
      bool loaded;
    } rows[] = {
        {"the window's start", nullptr, false},
        {"text out to the clipboard", "clipboard", false},
        {"text out to a file", "file", false},
        {"text out to a WebSocket", "websocket", true},
    };
    for (const auto& r : rows) {
      quint16 port = 0;
      if (r.target) {
        config::ReaderSettings settings;
        settings.textOutTarget = r.target;
        settings.textOutPath = g.dir.str() + "/lines.txt";
        settings.textOutPort = 0;  // any free port
        g.app->platform.ApplyReaderSettings(settings);
        textOut->trigger();
        g.app->platform.textOut().SendText("一");
        port = g.app->platform.textOut().ListeningPort();
        textOut->trigger();
      }
      QVERIFY2(ModuleMapped() == r.loaded, r.what);
      QVERIFY2((port != 0) == r.loaded, r.what);
    }
  }
};

KORVANA_GUI_TEST(SpeechModuleTest);
#include "SpeechModuleTest.moc"
