// The game controller in the window, driven by a fake pad handed to the
// window's pad control as SDL would report it: what each button reaches,
// how a held direction repeats, the pointer hidden while the pad is used,
// a pad unplugged in the middle, the mapping in the settings dialog, and
// SDL left unstarted while the machine has no input devices.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "GuiGame.h"
#include "GuiTests.h"
#include "PadControl.h"
#include "QuietSink.h"
#include "ReaderSettingsDialog.h"

using namespace korvana;
using test::Game;

namespace {

struct Sink : test::QuietSink {
  std::vector<std::string> seen;
  void OnMouseDown(int, int, MouseButton b) override {
    seen.push_back(b == MouseButton::Left ? "down" : "other down");
  }
  void OnClick(int, int) override { seen.push_back("click"); }
  void OnMouseUp(int, int, MouseButton) override { seen.push_back("up"); }
  void OnKey(Key key) override {
    const char* names[] = {"esc", "space", "enter", "up", "down", "left", "right", "other"};
    seen.push_back(names[static_cast<int>(key)]);
  }
  void OnCtrl(bool down) override { seen.push_back(down ? "ctrl down" : "ctrl up"); }
};

constexpr int32_t kPad = 7;

void Press(PadControl& pads, PadButton button) {
  pads.Deliver({SdlPads::Event::Down, kPad, button});
  pads.Deliver({SdlPads::Event::Up, kPad, button});
}

// A game open in the window with one pad plugged in, whose input reaches
// `sink` instead of the story while it lives.
struct PlayedWithPad {
  Game game{"SavePath=.\\\r\n", ""};
  Sink sink;
  PadControl* pads = nullptr;
  bool Open() {
    if (!game.app->Open()) return false;
    pads = game.app->pads.get();
    pads->Deliver({SdlPads::Event::Added, kPad});
    game.app->platform.SetInputSink(&sink);
    return true;
  }
  ~PlayedWithPad() { game.app->platform.SetInputSink(&game.app->engine); }
};

}  // namespace

class PadControlTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void theStoryGetsClicksArrowsAndTheSkipOfTheButtons() {
    const struct {
      PadButton button;
      std::vector<std::string> seen;
    } rows[] = {
        {PadButton::A, {"down", "click", "up"}},
        {PadButton::Up, {"up"}},
        {PadButton::Down, {"down"}},
        {PadButton::Left, {"left"}},
        {PadButton::Right, {"right"}},
        {PadButton::LT, {"ctrl down", "ctrl up"}},
    };
    for (const auto& r : rows) {
      PlayedWithPad played;
      QVERIFY(played.Open());
      Press(*played.pads, r.button);
      QTRY_COMPARE_WITH_TIMEOUT(played.sink.seen, r.seen, test::kSettleMs);
    }
  }

  void itemButtonsChooseTheirItemOnlyWhenTheStoryAllowsIt() {
    const struct {
      PadButton button;
      const char* item;
      bool enabled;
    } rows[] = {
        {PadButton::RT, "Xauto", true},   {PadButton::LB, "Xback", false},
        {PadButton::RB, "Xforward", false}, {PadButton::Start, "Msave", false},
        {PadButton::Back, "Mload", false}, {PadButton::X, "Khidetext", false},
    };
    for (const auto& r : rows) {
      Game g("SavePath=.\\\r\n", "");
      QVERIFY(g.app->Open());
      MainWindow* w = g.app->window.get();
      QAction* item = w->Item(r.item);
      QVERIFY(item);
      item->setEnabled(r.enabled);
      QSignalSpy chosen(item, &QAction::triggered);
      g.app->pads->Deliver({SdlPads::Event::Added, kPad});
      Press(*g.app->pads, r.button);
      if (r.enabled) {
        QTRY_COMPARE_WITH_TIMEOUT(int(chosen.size()), 1, test::kSettleMs);
      } else {
        QTest::qWait(50);
        QCOMPARE(int(chosen.size()), 0);
      }
    }
  }

  void bOpensThePopUpMenuInTheWindow() {
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    MainWindow* w = g.app->window.get();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    g.app->pads->Deliver({SdlPads::Event::Added, kPad});
    Press(*g.app->pads, PadButton::B);
    QMenu* menu = w->PopupMenu1();
    QTRY_VERIFY_WITH_TIMEOUT(menu->isVisible(), test::kSettleMs);
    menu->hide();
    // Not where the story has the menu switched off.
    g.app->platform.SetPopupEnabled(false);
    Press(*g.app->pads, PadButton::B);
    QTest::qWait(50);
    QVERIFY(!menu->isVisible());
  }

  void aHeldDirectionRepeatsWhileHeld() {
    PlayedWithPad played;
    QVERIFY(played.Open());
    PadControl& pads = *played.pads;
    const Sink& sink = played.sink;
    QElapsedTimer held;
    pads.Deliver({SdlPads::Event::Down, kPad, PadButton::Down});
    held.start();
    // The fast reading runs while a pad is open; its ticks send the repeats.
    QVERIFY(pads.Polling());
    QTest::qWait(700);
    pads.Deliver({SdlPads::Event::Up, kPad, PadButton::Down});
    const qint64 ms = held.elapsed();
    QTest::qWait(300);
    // The press, then one at 400 ms and one every 120 ms after: a busy
    // machine may look late, never early.
    const int expected = 1 + (ms >= 400 ? 1 + int((ms - 400) / 120) : 0);
    QVERIFY2(int(sink.seen.size()) <= expected && int(sink.seen.size()) >= 2,
             qPrintable(QString("%1 presses in %2 ms").arg(sink.seen.size()).arg(ms)));
    for (const std::string& s : sink.seen) QCOMPARE(s, std::string("down"));
  }

  void thePointerHidesWhileThePadIsUsedAndComesBackWithTheMouse() {
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    MainWindow* w = g.app->window.get();
    QVERIFY(QTest::qWaitForWindowExposed(w));
    const Qt::CursorShape story = w->cursor().shape();
    QVERIFY(story != Qt::BlankCursor);
    g.app->pads->Deliver({SdlPads::Event::Added, kPad});
    Sink sink;
    g.app->platform.SetInputSink(&sink);
    Press(*g.app->pads, PadButton::Down);
    QCOMPARE(w->cursor().shape(), Qt::BlankCursor);
    // The story changing its pointer meanwhile does not show it.
    w->SetStoryCursor(Cursor::Hand);
    QCOMPARE(w->cursor().shape(), Qt::BlankCursor);
    QTest::mouseMove(w, QPoint(30, 40));
    QTRY_VERIFY_WITH_TIMEOUT(w->cursor().shape() != Qt::BlankCursor, test::kSettleMs);
    QVERIFY(!w->PointerHiddenForPad());
    g.app->platform.SetInputSink(&g.app->engine);
  }

  void aPadUnpluggedLetsGoOfWhatItHeldAndTheWindowSleepsAgain() {
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    PadControl& pads = *g.app->pads;
    QCOMPARE(pads.OpenPads(), 0);
    QVERIFY(!pads.Polling());
    pads.Deliver({SdlPads::Event::Added, kPad});
    pads.Deliver({SdlPads::Event::Added, kPad + 1});
    QCOMPARE(pads.OpenPads(), 2);
    Sink sink;
    g.app->platform.SetInputSink(&sink);
    pads.Deliver({SdlPads::Event::Down, kPad, PadButton::LT});
    pads.Deliver({SdlPads::Event::Down, kPad, PadButton::Left});
    pads.Deliver({SdlPads::Event::Removed, kPad});
    QTest::qWait(600);  // past the first repeat, which must not come
    QCOMPARE(sink.seen, (std::vector<std::string>{"ctrl down", "left", "ctrl up"}));
    // The other pad still works; buttons of the one that left are nobody's.
    pads.Deliver({SdlPads::Event::Down, kPad, PadButton::A});
    Press(pads, PadButton::Right);
    pads.Deliver({SdlPads::Event::Down, kPad + 1, PadButton::Up});
    pads.Deliver({SdlPads::Event::Up, kPad + 1, PadButton::Up});
    QCOMPARE(sink.seen.back(), std::string("up"));
    QCOMPARE(sink.seen.size(), size_t(4));
    QVERIFY(pads.Polling());
    pads.Deliver({SdlPads::Event::Removed, kPad + 1});
    QCOMPARE(pads.OpenPads(), 0);
    QVERIFY(!pads.Polling());
    g.app->platform.SetInputSink(&g.app->engine);
  }

  void sdlWaitsForTheDeviceFolderUnlessAVirtualPadIsAsked() {
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    // The window's own pads follow the machine's device folder.
    QCOMPARE(g.app->pads->Listening(), QFileInfo(QStringLiteral("/dev/input")).isDir());
    const struct {
      bool folderAtStart;
      bool virtualPad;
      bool listeningAtStart;
    } rows[] = {
        {false, false, false},
        {true, false, true},
        {false, true, true},
    };
    for (const auto& r : rows) {
      QTemporaryDir dev;
      const QString folder = dev.filePath(QStringLiteral("input"));
      if (r.folderAtStart) QVERIFY(QDir(dev.path()).mkdir(QStringLiteral("input")));
      const QString commands = dev.filePath(QStringLiteral("pad-commands"));
      QFile(commands).open(QIODevice::WriteOnly);
      if (r.virtualPad) qputenv("KORVANA_VIRTUAL_PAD", commands.toUtf8());
      PadControl pads(*g.app->window, g.app->platform, [] { return config::PadMapping{}; });
      QVERIFY(pads.Start({}, folder));
      qunsetenv("KORVANA_VIRTUAL_PAD");
      QCOMPARE(pads.Listening(), r.listeningAtStart);
      // A folder that comes later starts the layer at the first look.
      if (!r.folderAtStart) QVERIFY(QDir(dev.path()).mkdir(QStringLiteral("input")));
      QTRY_VERIFY_WITH_TIMEOUT(pads.Listening(), test::kSettleMs);
    }
  }

  void theSettingsDialogShowsAndChangesTheMapping() {
    Game g("SavePath=.\\\r\n", "");
    QVERIFY(g.app->Open());
    ReaderSettingsDialog* form = g.app->platform.SettingsForm();
    config::ReaderSettings settings;
    settings.pad[static_cast<size_t>(PadButton::A)] = config::PadAction::Auto;
    form->Prepare(settings);
    const auto groups = form->findChildren<QGroupBox*>();
    const auto group = std::find_if(groups.begin(), groups.end(), [](QGroupBox* b) {
      return b->title() == QStringLiteral("ゲームパッド");
    });
    QVERIFY(group != groups.end());
    QCOMPARE(int((*group)->findChildren<QComboBox*>().size()), int(PadButton::Count));
    const struct {
      const char* box;
      PadButton button;
      config::PadAction shown;
      config::PadAction chosen;
    } rows[] = {
        {"padA", PadButton::A, config::PadAction::Auto, config::PadAction::Click},
        {"padB", PadButton::B, config::PadAction::Menu, config::PadAction::None},
        {"padLT", PadButton::LT, config::PadAction::Skip, config::PadAction::Skip},
        {"padStart", PadButton::Start, config::PadAction::Save, config::PadAction::Load},
        {"padRight", PadButton::Right, config::PadAction::Right, config::PadAction::Down},
    };
    for (const auto& r : rows) {
      auto* box = form->findChild<QComboBox*>(r.box);
      QVERIFY(box);
      QCOMPARE(box->currentIndex(), int(r.shown));
      box->setCurrentIndex(int(r.chosen));
    }
    const config::ReaderSettings shown = form->Shown();
    for (const auto& r : rows) QCOMPARE(ActionOf(shown.pad, r.button), r.chosen);
    // The other settings are untouched by the pad's rows.
    QCOMPARE(shown.autoBaseMs, settings.autoBaseMs);
  }
};

KORVANA_GUI_TEST(PadControlTest);
#include "PadControlTest.moc"
