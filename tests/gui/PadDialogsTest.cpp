// A game controller in the shell's menus and dialogs, as a player without
// mouse or keyboard meets them: the d-pad reaches every control and comes
// round, A does what a click does, B closes as Cancel, the pop-up menu is
// walked into its submenus, and the on-screen keyboard types into an input
// box.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <functional>
#include <memory>

#include "DebugWindow.h"
#include "FontDialog.h"
#include "GuiGame.h"
#include "GuiTests.h"
#include "MainWindow.h"
#include "OnScreenKeyboard.h"
#include "PadDialogs.h"
#include "PopupMenu.h"
#include "QtPlatform.h"
#include "ReaderSettingsDialog.h"
#include "SlotDialog.h"
#include "VersionDialog.h"
#include "core/Cp932.h"

using namespace korvana;
using PB = PadButton;

namespace {

void Press(PadButton button) {
  QVERIFY2(HandlePadInDialogs(button), PadButtonName(button).data());
}

void Press(const std::vector<PadButton>& buttons) {
  for (PadButton b : buttons) Press(b);
}

// How the player tells a control: its name in the form, else its caption;
// a list adds the row it shows as current.
QString Describe(QWidget* w) {
  if (!w) return QStringLiteral("(none)");
  for (QWidget* p = w; p; p = p->parentWidget())
    if (auto* combo = qobject_cast<QComboBox*>(p)) return combo->objectName();
  QString name = w->objectName();
  if (auto* button = qobject_cast<QAbstractButton*>(w); button && name.isEmpty())
    name = button->text();
  if (name.isEmpty()) name = w->metaObject()->className();
  if (auto* list = qobject_cast<QAbstractItemView*>(w))
    name += QStringLiteral("[%1]").arg(list->currentIndex().row());
  return name;
}

QWidget* Focused(QWidget* dialog) {
  QWidget* f = QApplication::focusWidget();
  return f && f->window() == dialog ? f : dialog->focusWidget();
}

std::vector<SlotEntry> SlotsUsed(std::initializer_list<int> used, int count) {
  std::vector<SlotEntry> entries;
  for (int n = 1; n <= count; ++n) {
    const bool on = std::find(used.begin(), used.end(), n) != used.end();
    entries.push_back({std::to_string(n) + (on ? " game" : " empty"), on});
  }
  return entries;
}

// A dialog as the shell shows it, with what the player can read of its end.
struct Under {
  std::unique_ptr<QDialog> dialog;
  std::function<QString()> outcome;
};

QString Ended(QDialog* d) {
  if (d->isVisible()) return QStringLiteral("open");
  return d->result() == QDialog::Accepted ? QStringLiteral("accepted") : QStringLiteral("rejected");
}

Under Make(const QString& which) {
  Under u;
  if (which == "slot save" || which == "slot load") {
    auto* form = new SlotDialog;
    form->question = [](const QString&, const QString&) { return true; };
    const bool load = which == "slot load";
    form->Prepare(load ? SlotMode::Load : SlotMode::Save,
                  SlotsUsed({2}, load ? SlotDialog::kLoadSlots : SlotDialog::kSlots));
    u.outcome = [form] {
      return Ended(form) + QStringLiteral(", page %1, slot %2")
                               .arg(form->Label1->text().replace('\n', ""))
                               .arg(form->ChosenSlot() + 1);
    };
    u.dialog.reset(form);
  } else if (which == "font") {
    auto* form = new FontDialog;
    FontChoice choice;
    choice.faces = {"Alpha", "Alpha", "Alpha", "Alpha"};
    choice.installed = {"Alpha", "Beta", "Gamma"};
    form->Prepare(choice);
    u.outcome = [form] {
      return Ended(form) + ", " + QString::fromStdString(form->ChosenFaces()[0]);
    };
    u.dialog.reset(form);
  } else if (which == "version") {
    auto* form = new VersionDialog;
    form->Prepare(VersionInfo{});
    u.outcome = [form] { return Ended(form); };
    u.dialog.reset(form);
  } else if (which == "settings") {
    auto* form = new ReaderSettingsDialog;
    form->Prepare(config::ReaderSettings{});
    u.outcome = [form] {
      const config::ReaderSettings shown = form->Shown();
      return Ended(form) + QStringLiteral(", auto %1 ms, skip unread %2")
                               .arg(shown.autoBaseMs)
                               .arg(shown.skipUnread ? "on" : "off");
    };
    u.dialog.reset(form);
  } else if (which == "debug") {
    auto* form = new DebugWindow;
    for (const char* line : {"error one", "error two", "error three"}) form->ErrList->addItem(line);
    u.outcome = [form] {
      return (form->isVisible() ? QStringLiteral("open") : QStringLiteral("hidden")) + ", tab " +
             QString::number(form->PageControl1->currentIndex());
    };
    u.dialog.reset(form);
  } else if (which == "box" || which == "box ok") {
    auto* box = new QMessageBox(QMessageBox::Question, "確認", "上書きしていいですか？",
                                which == "box" ? QMessageBox::Ok | QMessageBox::Cancel
                                               : QMessageBox::Ok);
    u.outcome = [box] {
      if (box->isVisible()) return QStringLiteral("open");
      return box->clickedButton() ? box->clickedButton()->text() : QStringLiteral("(no button)");
    };
    u.dialog.reset(box);
  } else if (which == "input") {
    auto* input = new QInputDialog;
    input->setLabelText("名前");
    input->setTextValue("x");
    u.outcome = [input] { return Ended(input) + ", " + input->textValue(); };
    u.dialog.reset(input);
  }
  return u;
}

// Shown as the shell shows it: modal, except the debug window, which runs
// beside the story and is handled while it is the active window.
bool Show(QDialog* dialog) {
  if (!qobject_cast<DebugWindow*>(dialog)) dialog->setWindowModality(Qt::ApplicationModal);
  dialog->show();
  dialog->activateWindow();
  return QTest::qWaitForWindowActive(dialog);
}

// Moves the focus with Down until `control` has it; false when it never does.
bool Reach(QDialog* dialog, const QString& control) {
  for (int i = 0; i < 40; ++i) {
    if (Describe(Focused(dialog)).startsWith(control)) return true;
    HandlePadInDialogs(PadButton::Down);
  }
  return false;
}

// The settings file as another run would read it; none when unreadable.
std::optional<config::ReaderSettings> Kept(const std::string& path) {
  config::ReaderSettings read;
  std::string error;
  if (!config::ReadReaderSettings(path, read, error)) return std::nullopt;
  return read;
}

// Where `key` is on the keyboard: page, row, column; page -1 when nowhere.
std::tuple<int, int, int> Find(const QString& key) {
  for (int page = 0; page < OnScreenKeyboard::kPages; ++page) {
    const auto& grid = OnScreenKeyboard::Keys(static_cast<OnScreenKeyboard::Page>(page));
    for (int r = 0; r < int(grid.size()); ++r)
      for (int c = 0; c < int(grid[r].size()); ++c)
        if (grid[r][c] == key) return {page, r, c};
  }
  return {-1, 0, 0};
}

// Types `text` on the open keyboard with the pad only: Y to the page, the
// d-pad to the key, A. "⌫" is X, "←" is LB.
bool TypeWithPad(const QString& text) {
  for (QChar ch : text) {
    OnScreenKeyboard* k = OnScreenKeyboard::Current();
    if (!k) return false;
    if (ch == u'⌫') {
      k->Press(PadButton::X);
      continue;
    }
    if (ch == u'←') {
      k->Press(PadButton::LB);
      continue;
    }
    const auto [page, row, column] = Find(QString(ch));
    if (page < 0) return false;
    while (static_cast<int>(k->CurrentPage()) != page) HandlePadInDialogs(PadButton::Y);
    while (k->Row() != row) HandlePadInDialogs(PadButton::Down);
    while (k->Column() != column) HandlePadInDialogs(PadButton::Right);
    if (k->KeyUnderCursor() != QString(ch)) return false;
    HandlePadInDialogs(PadButton::A);
  }
  return true;
}

}  // namespace

class PadDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void nothingInFrontLeavesTheButtonToTheStory() {
    QWidget window;
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (int b = 0; b < static_cast<int>(PadButton::Count); ++b)
      QVERIFY(!HandlePadInDialogs(static_cast<PadButton>(b)));
  }

  void aModalWindowThatIsNoWidgetStillKeepsTheButtonsFromTheStory() {
    // As a file dialog of the desktop's own, drawn outside our widgets.
    QWindow foreign;
    foreign.setModality(Qt::ApplicationModal);
    foreign.show();
    QVERIFY(QTest::qWaitForWindowExposed(&foreign));
    for (int b = 0; b < static_cast<int>(PadButton::Count); ++b)
      QVERIFY(HandlePadInDialogs(static_cast<PadButton>(b)));
    foreign.hide();
    QVERIFY(!HandlePadInDialogs(PadButton::A));
  }

  void downVisitsEveryControlAndComesRound() {
    const struct {
      const char* dialog;
      QStringList controls;  // in the order Down visits them
    } rows[] = {
        {"slot save", {"TrackBar1", "TkBtn6", "TkBtn7", "TkBtn8", "TkBtn9", "TkBtn5"}},
        // Slots without a game cannot be loaded and are passed over.
        {"slot load", {"TrackBar1", "TkBtn7", "TkBtn5"}},
        {"font", {"ComboBox1", "ComboBox2", "ComboBox3", "ComboBox4", "Button1", "Button2"}},
        {"version", {"Button1"}},
        {"settings",
         {"autoBase", "autoPerChar", "skipStopsAtChoices", "skipUnread", "autoSaves",
          "scalingSmooth", "scalingFit", "speechVoice", "speechRate", "textOutTarget",
          "textOutPath", "textOutPort", "padA", "padB", "padX", "padY", "padLB", "padRB", "padLT",
          "padRT", "padStart", "padBack", "padUp", "padDown", "padLeft", "padRight", "reloadOnChange", "ok",
          "cancel"}},
        // Down goes through a list's rows before it leaves the list.
        {"debug",
         {"qt_tabwidget_tabbar", "ErrList[0]", "ErrList[1]", "ErrList[2]", "Button4", "Button1"}},
        {"box", {"OK", "キャンセル"}},
        {"input", {"QLineEdit", "OK", "キャンセル"}},
    };
    for (const auto& r : rows) {
      Under u = Make(r.dialog);
      QVERIFY2(Show(u.dialog.get()), r.dialog);
      QVERIFY2(Reach(u.dialog.get(), r.controls.first()), r.dialog);
      const int n = static_cast<int>(r.controls.size());
      QStringList visited;
      for (int i = 0; i < n; ++i) {
        Press(PadButton::Down);
        visited << Describe(Focused(u.dialog.get()));
      }
      QCOMPARE(visited, r.controls.mid(1) << r.controls.first());
      // Focus moved by the pad is drawn, as after Tab.
      QVERIFY2(u.dialog->testAttribute(Qt::WA_KeyboardFocusChange), r.dialog);
      // Up walks back the same way; a list keeps the row it was left at.
      QStringList back;
      for (int i = 0; i < n; ++i) {
        Press(PadButton::Up);
        back << Describe(Focused(u.dialog.get()));
      }
      QStringList reversed = r.controls;
      std::reverse(reversed.begin(), reversed.end());
      QCOMPARE(back, reversed);
      u.dialog->reject();
    }
  }

  void buttonsDoWhatTheControlsDo() {
    const struct {
      const char* dialog;
      const char* focusOn;  // reached with Down first; empty: where it opens
      std::vector<PadButton> presses;
      const char* outcome;
    } rows[] = {
        {"font", "Button1", {PB::A}, "accepted, Alpha"},
        {"font", "Button2", {PB::A}, "rejected, Alpha"},
        {"font", "", {PB::B}, "rejected, Alpha"},
        // A opens the list, the d-pad picks, A takes it.
        {"font", "ComboBox1", {PB::A, PB::Down, PB::A, PB::Start}, "accepted, Beta"},
        {"font", "ComboBox1", {PB::Right, PB::Right, PB::Left}, "open, Beta"},
        {"font", "ComboBox1", {PB::A, PB::Down, PB::B}, "open, Alpha"},
        {"settings", "skipUnread", {PB::A}, "open, auto 1500 ms, skip unread on"},
        {"settings", "autoBase", {PB::Right, PB::Right, PB::Left}, "open, auto 1600 ms, skip unread off"},
        {"settings", "skipUnread", {PB::A, PB::Start}, "accepted, auto 1500 ms, skip unread on"},
        {"settings", "skipUnread", {PB::A, PB::B}, "rejected, auto 1500 ms, skip unread on"},
        {"version", "", {PB::A}, "accepted"},
        {"version", "", {PB::B}, "rejected"},
        {"slot load", "TkBtn7", {PB::A}, "accepted, page 1/20, slot 2"},
        {"slot save", "TkBtn8", {PB::A}, "accepted, page 1/20, slot 3"},
        {"slot save", "", {PB::B}, "rejected, page 1/20, slot 0"},
        {"slot save", "", {PB::RB, PB::RB}, "open, page 3/20, slot 0"},
        {"slot save", "", {PB::RB, PB::LB, PB::LB}, "open, page 1/20, slot 0"},
        {"slot save", "TrackBar1", {PB::Right}, "open, page 2/20, slot 0"},
        {"slot save", "TkBtn9", {PB::RB, PB::A}, "accepted, page 2/20, slot 8"},
        {"slot load",
         "",
         std::vector<PB>(SlotDialog::kPages, PB::RB),
         "open, page クイック／オート, slot 0"},
        {"debug", "Button1", {PB::A}, "hidden, tab 0"},
        {"debug", "", {PB::B}, "hidden, tab 0"},
        {"debug", "qt_tabwidget_tabbar", {PB::Right, PB::Right}, "open, tab 2"},
        {"debug", "qt_tabwidget_tabbar", {PB::Left}, "open, tab 3"},
        {"box", "キャンセル", {PB::A}, "キャンセル"},
        {"box", "", {PB::B}, "キャンセル"},
        {"box", "", {PB::Start}, "OK"},
        // A box with OK alone is closed by B through its OK.
        {"box ok", "", {PB::B}, "OK"},
        {"input", "キャンセル", {PB::A}, "rejected, x"},
        {"input", "", {PB::Start}, "accepted, x"},
    };
    for (const auto& r : rows) {
      const QByteArray what = QByteArray(r.dialog) + " " + r.focusOn;
      Under u = Make(r.dialog);
      QVERIFY2(Show(u.dialog.get()), what);
      if (*r.focusOn) QVERIFY2(Reach(u.dialog.get(), r.focusOn), what);
      for (PadButton b : r.presses) {
        Press(b);
        // What a press starts runs from the event loop, as a click's would.
        QTest::qWait(150);
      }
      QTRY_COMPARE_WITH_TIMEOUT(u.outcome(), QString::fromUtf8(r.outcome), 2000);
      u.dialog->hide();
    }
  }

  void thePopupMenuIsWalkedIntoItsSubmenus() {
    const struct {
      QStringList path;  // captions, a submenu's then its item's
      std::vector<PadButton> end;
      const char* chosen;
      const char* stillOpen;  // the menu in front afterwards, "" for none
    } rows[] = {
        {{"便利機能", "設定…"}, {PB::A}, "Xsettings", ""},
        {{"設定変更", "フォント設定"}, {PB::A}, "Kfont", ""},
        {{"バージョン情報"}, {PB::A}, "Mversion", ""},
        // B closes the innermost menu only; Left leaves a submenu too.
        {{"便利機能", "設定…"}, {PB::B}, "", "PopupMenu1"},
        {{"便利機能", "設定…"}, {PB::Left}, "", "PopupMenu1"},
        {{"便利機能", "設定…"}, {PB::B, PB::B}, "", ""},
    };
    for (const auto& r : rows) {
      const QByteArray what = r.path.join('>').toUtf8();
      QWidget window;
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      QStringList chosen;
      const PopupMenu built = BuildPopupMenu(&window, MenuTable(), config::Settings{},
                                             [&](const MenuRow& row) { chosen << row.name; });
      built.menu->popup(window.mapToGlobal(QPoint(10, 10)));
      QTRY_VERIFY(QApplication::activePopupWidget() == built.menu);
      for (qsizetype step = 0; step < r.path.size(); ++step) {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY2(menu, what);
        for (int i = 0; i < 40 && !(menu->activeAction() &&
                                    menu->activeAction()->text() == r.path[step]);
             ++i)
          Press(PadButton::Down);
        QVERIFY2(menu->activeAction() && menu->activeAction()->text() == r.path[step], what);
        if (step + 1 < r.path.size()) {
          Press(PadButton::Right);
          QVERIFY2(QApplication::activePopupWidget() != menu, what);
        }
      }
      Press(r.end);
      const auto front = [] {
        QWidget* popup = QApplication::activePopupWidget();
        return popup ? popup->objectName() : QString();
      };
      QTRY_COMPARE(front(), QString(r.stillOpen));
      QTRY_COMPARE(chosen, r.chosen[0] ? QStringList{r.chosen} : QStringList{});
      built.menu->hide();
    }
  }

  void theKeyboardTypesIntoAnInputBox() {
    const struct {
      const char* typed;
      std::vector<PadButton> end;
      bool ok;
      const char* text;  // what the script gets back
    } rows[] = {
        {"かなカナAb", {PB::Start}, true, "かなカナAb"},
        // The box opens with its text selected, and typing replaces it, as
        // on a keyboard. B closes the keyboard and keeps what was typed; a
        // second B cancels.
        {"かな", {PB::B, PB::B}, false, "前"},
        {"あ", {PB::B, PB::Start}, true, "あ"},
        {"か゛は゜", {PB::Start}, true, "がぱ"},
        // ゔ is not in CP932: the mark leaves う as it is.
        {"か゛゛う゛ウ゛", {PB::Start}, true, "かうヴ"},
        {"は゜゛い⌫う", {PB::Start}, true, "ばう"},
        {"ab←c", {PB::Start}, true, "acb"},
        {"⌫", {PB::Start}, true, ""},
    };
    for (const auto& r : rows) {
      const QString typed = QString::fromUtf8(r.typed);
      QtPlatform platform;
      bool typedAll = false, opened = false;
      QTimer poll;
      poll.setInterval(10);
      QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        poll.stop();
        // The box opens with its field focused: A brings the keyboard.
        HandlePadInDialogs(PadButton::A);
        opened = OnScreenKeyboard::Current() != nullptr;
        typedAll = opened && TypeWithPad(typed);
        for (PadButton b : r.end) {
          HandlePadInDialogs(b);
          QTest::qWait(50);
        }
        // A stuck box must not hang the suite.
        QTimer::singleShot(5000, box, &QDialog::reject);
      });
      poll.start();
      std::string text = cp932::FromUtf8("前");
      const bool ok = platform.InputBox("caption", "prompt", text);
      QVERIFY2(opened, r.typed);
      QVERIFY2(typedAll, r.typed);
      QCOMPARE(ok, r.ok);
      QCOMPARE(QString::fromStdString(cp932::ToUtf8(text)), QString::fromUtf8(r.text));
      QVERIFY(!OnScreenKeyboard::Current());
    }
  }

  void aBoxOverTheKeyboardTakesThePadUntilItCloses() {
    Under input = Make("input");
    QVERIFY(Show(input.dialog.get()));
    Press(PadButton::A);
    QVERIFY(OnScreenKeyboard::Current());
    Under box = Make("box");
    QVERIFY(Show(box.dialog.get()));
    Press(PadButton::B);
    QTRY_COMPARE(box.outcome(), QStringLiteral("キャンセル"));
    // Back at the input box, whose keyboard is still open and types.
    QVERIFY(OnScreenKeyboard::Current());
    Press({PadButton::A, PadButton::Start});
    QTRY_COMPARE(input.outcome(), QStringLiteral("accepted, あ"));
  }

  void theWindowsMenuOpensTheSettingsAndThePadChangesThem() {
    test::Game g("SavePath=.\\\r\n", "_$flg[1]=1\r\n");
    QVERIFY(g.app->Open());
    QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
    MainWindow* w = g.app->window.get();
    QMenu* menu = w->PopupMenu1();
    menu->popup(w->mapToGlobal(QPoint(10, 10)));
    QTRY_VERIFY(QApplication::activePopupWidget() == menu);
    const auto walkTo = [](const QString& caption) {
      auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      for (int i = 0; open && i < 40; ++i) {
        if (open->activeAction() && open->activeAction()->text() == caption) return true;
        HandlePadInDialogs(PadButton::Down);
      }
      return false;
    };
    QVERIFY(walkTo("便利機能"));
    Press(PadButton::Right);
    QVERIFY(walkTo("設定…"));
    // The settings dialog runs its own modal loop from the chosen item; the
    // pad works inside it.
    bool reached = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* form = qobject_cast<ReaderSettingsDialog*>(QApplication::activeModalWidget());
      if (!form || !form->isVisible()) return;
      poll.stop();
      reached = Reach(form, "skipUnread");
      HandlePadInDialogs(PadButton::A);
      QTest::qWait(150);
      HandlePadInDialogs(PadButton::Start);
      QTimer::singleShot(5000, form, &QDialog::reject);
    });
    poll.start();
    Press(PadButton::A);
    QTRY_VERIFY_WITH_TIMEOUT(g.app->engine.Reader().skipUnread, test::kSettleMs);
    QVERIFY(reached);
    QVERIFY(Kept(g.ReaderSettingsPath()) && Kept(g.ReaderSettingsPath())->skipUnread);
  }

  void everyPageOffersItsCharactersAndOnlyWhatCp932Holds() {
    const QString hiragana = QStringLiteral(
        "あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわをん"
        "ぁぃぅぇぉっゃゅょゎー、。");
    QString katakana;
    for (QChar c : hiragana)
      katakana += c.unicode() >= 0x3041 && c.unicode() <= 0x3096 ? QChar(c.unicode() + 0x60) : c;
    const struct {
      OnScreenKeyboard::Page page;
      QString required;
    } rows[] = {
        {OnScreenKeyboard::Page::Hiragana, hiragana + "゛゜"},
        {OnScreenKeyboard::Page::Katakana, katakana + "゛゜"},
        {OnScreenKeyboard::Page::Latin,
         "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 "},
    };
    for (const auto& r : rows) {
      QString offered;
      for (const auto& row : OnScreenKeyboard::Keys(r.page))
        for (const QString& key : row) {
          if (key.isEmpty()) continue;
          offered += key;
          bool complete = false;
          cp932::FromUtf8(key.toStdString(), &complete);
          QVERIFY2(complete, qPrintable(key));
        }
      for (QChar c : r.required)
        QVERIFY2(offered.contains(c), qPrintable(OnScreenKeyboard::PageName(r.page) + ": " + c));
    }
  }
};

KORVANA_GUI_TEST(PadDialogsTest);
#include "PadDialogsTest.moc"
