// The save/load dialog as the player meets it: captions, which buttons show
// and answer, the page, the chosen slot.
#include <QFontInfo>
#include <QPainter>
#include <QTimer>
#include <QtTest>
#include <map>

#include "GuiTests.h"
#include "QtPlatform.h"
#include "SlotDialog.h"
#include "TempDir.h"
#include "core/Cp932.h"

using namespace korvana;

namespace {

// Labels as the engine makes them: the number padded to three, then the
// title padded to 64 and the date, or the empty-slot text.
std::string Label(int number, const std::string& titleUtf8 = {}) {
  std::string label = std::to_string(number);
  label.resize(3, ' ');
  if (titleUtf8.empty()) return cp932::FromUtf8(label + "データがありません");
  std::string title = cp932::FromUtf8(titleUtf8);
  title.resize(64, ' ');
  return cp932::FromUtf8(label) + title + "(2026/12/07 21:05)";
}

// 80 entries; the keys of `used` are slot numbers (1-based) with their titles.
std::vector<SlotEntry> Slots(const std::map<int, std::string>& used = {}) {
  std::vector<SlotEntry> entries;
  for (int n = 1; n <= SlotDialog::kSlots; ++n) {
    auto it = used.find(n);
    entries.push_back(it == used.end() ? SlotEntry{Label(n), false}
                                       : SlotEntry{Label(n, it->second), true});
  }
  return entries;
}

// The 84 entries of the load dialog: the 80 of `Slots`, then the quick and
// automatic saves, of which `used` (slot numbers 81-84) hold a game.
std::vector<SlotEntry> LoadSlots(const std::map<int, std::string>& used = {}) {
  std::vector<SlotEntry> entries = Slots(used);
  for (int n = SlotDialog::kSlots + 1; n <= SlotDialog::kLoadSlots; ++n) {
    auto it = used.find(n);
    entries.push_back(it == used.end() ? SlotEntry{Label(n), false}
                                       : SlotEntry{Label(n, it->second), true});
  }
  return entries;
}

QString Utf8(const std::string& cp932Text) {
  return QString::fromStdString(cp932::ToUtf8(cp932Text));
}

QStringList Captions(const SlotDialog& form) {
  QStringList captions;
  for (PictureButton* b : form.SlotButtons()) captions << b->Caption();
  return captions;
}

QList<bool> Enabled(const SlotDialog& form) {
  QList<bool> enabled;
  for (PictureButton* b : form.SlotButtons()) enabled << b->isEnabled();
  return enabled;
}

// A form shown without a modal loop, its overwrite question answered from
// a list and recorded.
struct Shown {
  SlotDialog form;
  QStringList asked;
  QList<bool> answers;

  Shown(SlotMode mode, const std::vector<SlotEntry>& entries) {
    form.question = [this](const QString& text, const QString& caption) {
      asked << caption + "|" + text;
      return answers.isEmpty() ? true : answers.takeFirst();
    };
    form.Prepare(mode, entries);
    form.show();
  }
  void Key(int key) { QTest::keyClick(form.focusWidget(), Qt::Key(key)); }
};

}  // namespace

class SlotDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void withoutSavesEverySlotReadsEmpty() {
    const struct {
      SlotMode mode;
      bool slotsEnabled;
    } rows[] = {{SlotMode::Load, false}, {SlotMode::Save, true}};
    for (const auto& r : rows) {
      Shown s(r.mode, Slots());
      QCOMPARE(s.form.Label1->text(), QStringLiteral("1/20"));
      QCOMPARE(Captions(s.form), (QStringList{"1  データがありません", "2  データがありません",
                                              "3  データがありません", "4  データがありません"}));
      QCOMPARE(Enabled(s.form), QList<bool>(4, r.slotsEnabled));
    }
  }

  void slotSevenIsTheThirdButtonOfPageTwo() {
    Shown s(SlotMode::Load, Slots({{7, "第二章　夕暮れ"}}));
    QTest::mouseClick(s.form.TkBtn2, Qt::LeftButton);
    QCOMPARE(s.form.Label1->text(), QStringLiteral("2/20"));
    const QString seventh = s.form.TkBtn8->Caption();
    QVERIFY2(seventh.startsWith(QStringLiteral("7  第二章　夕暮れ ")), qPrintable(seventh));
    QVERIFY(seventh.endsWith(QStringLiteral("(2026/12/07 21:05)")));
    QCOMPARE(Enabled(s.form), (QList<bool>{false, false, true, false}));
    QTest::mouseClick(s.form.TkBtn8, Qt::LeftButton);
    QVERIFY(!s.form.isVisible());
    QCOMPARE(s.form.result(), int(QDialog::Accepted));
    QCOMPARE(s.form.ChosenSlot(), 6);
  }

  void pageButtonsHideAtTheEnds() {
    const struct {
      int page;
      const char* indicator;
      bool previous, next;
      const char* firstCaption;
    } rows[] = {{0, "1/20", false, true, "1  "},
                {1, "2/20", true, true, "5  "},
                {18, "19/20", true, true, "73 "},
                {19, "20/20", true, false, "77 "}};
    Shown s(SlotMode::Save, Slots());
    for (const auto& r : rows) {
      s.form.TrackBar1->setValue(r.page);
      QCOMPARE(s.form.Label1->text(), QString(r.indicator));
      QCOMPARE(s.form.TkBtn1->isVisible(), r.previous);
      QCOMPARE(s.form.TkBtn2->isVisible(), r.next);
      QVERIFY(s.form.TkBtn6->Caption().startsWith(r.firstCaption));
    }
  }

  void pageButtonsAndKeysTurnPages() {
    // Each row starts where the one before it ended.
    const struct {
      const char* action;
      int page;
    } rows[] = {{"next", 1},     {"next", 2}, {"previous", 1}, {"Right", 2},
                {"PageDown", 3}, {"Left", 2}, {"PageUp", 1},   {"PageUp", 0},
                {"PageUp", 0},   {"End", 19}, {"Right", 19},   {"previous", 18}};
    const std::map<QString, int> keys = {{"Right", Qt::Key_Right},
                                         {"Left", Qt::Key_Left},
                                         {"PageUp", Qt::Key_PageUp},
                                         {"PageDown", Qt::Key_PageDown},
                                         {"End", Qt::Key_End}};
    Shown s(SlotMode::Save, Slots());
    for (const auto& r : rows) {
      const QString action = r.action;
      if (action == "next")
        QTest::mouseClick(s.form.TkBtn2, Qt::LeftButton);
      else if (action == "previous")
        QTest::mouseClick(s.form.TkBtn1, Qt::LeftButton);
      else
        s.Key(keys.at(action));
      QCOMPARE(s.form.Label1->text(), QString("%1/20").arg(r.page + 1));
      QCOMPARE(s.form.TrackBar1->value(), r.page);
    }
  }

  void upAndDownWalkTheChoosableSlotsAndEnterChooses() {
    // Page 3 holds entries 9 to 12; 10 is empty, so loading steps over it.
    Shown s(SlotMode::Load, Slots({{9, "a"}, {11, "b"}, {12, "c"}}));
    s.form.ShowPage(2);
    QCOMPARE(s.form.focusWidget(), s.form.TrackBar1);  // the slider has the focus on show
    const struct {
      int key;
      PictureButton* focus;
    } rows[] = {{Qt::Key_Down, s.form.TkBtn6}, {Qt::Key_Down, s.form.TkBtn8},
                {Qt::Key_Down, s.form.TkBtn9}, {Qt::Key_Down, s.form.TkBtn9},
                {Qt::Key_Up, s.form.TkBtn8},   {Qt::Key_Up, s.form.TkBtn6}};
    for (const auto& r : rows) {
      s.Key(r.key);
      QCOMPARE(s.form.focusWidget(), r.focus);
      QCOMPARE(s.form.Label1->text(), QStringLiteral("3/20"));
    }
    s.Key(Qt::Key_Down);
    s.Key(Qt::Key_Return);
    QVERIFY(!s.form.isVisible());
    QCOMPARE(s.form.ChosenSlot(), 10);
  }

  void cancelButtonEscAndTheCloseBoxCancel() {
    const char* ways[] = {"cancel button", "Esc", "close box"};
    for (const char* way : ways) {
      Shown s(SlotMode::Save, Slots());
      const QString w = way;
      if (w == "cancel button")
        QTest::mouseClick(s.form.TkBtn5, Qt::LeftButton);
      else if (w == "Esc")
        s.Key(Qt::Key_Escape);
      else
        s.form.close();
      QVERIFY2(!s.form.isVisible(), way);
      QCOMPARE(s.form.result(), int(QDialog::Rejected));
      QCOMPARE(s.form.ChosenSlot(), -1);
    }
  }

  void savingOverAUsedSlotAsksFirst() {
    const struct {
      int page, button;
      QList<bool> answers;
      int asked;
      int chosen;  // -1: the dialog stays open
    } rows[] = {
        {0, 1, {false}, 1, -1},  // slot 2 is used: Cancel keeps the dialog
        {0, 1, {true}, 1, 1},    // OK saves over it
        {0, 2, {}, 0, 2},        // slot 3 is empty: no question
        {1, 0, {false, true}, 1, -1},
    };
    for (const auto& r : rows) {
      Shown s(SlotMode::Save, Slots({{2, "上書きされる"}, {5, "もう一つ"}}));
      s.answers = r.answers;
      s.form.ShowPage(r.page);
      QTest::mouseClick(s.form.SlotButtons()[r.button], Qt::LeftButton);
      QCOMPARE(s.asked, QStringList(r.asked, QStringLiteral("確認|上書きしていいですか？")));
      QCOMPARE(s.form.isVisible(), r.chosen < 0);
      QCOMPARE(s.form.ChosenSlot(), r.chosen);
    }
  }

  void modeSetsColourAndPicture() {
    const struct {
      SlotMode mode;
      QRgb form;  // 0xRRGGBB
      bool loadPicture, savePicture;
    } rows[] = {{SlotMode::Load, 0xD0D0A0, true, false},
                {SlotMode::Save, 0xA0D0D0, false, true},
                {SlotMode::Load, 0xD0D0A0, true, false}};
    SlotDialog form;  // one form through all modes, as the program keeps it
    for (const auto& r : rows) {
      form.Prepare(r.mode, Slots({{1, "x"}}));
      form.show();
      QCOMPARE(form.windowTitle(), QStringLiteral("ファイル選択"));
      QCOMPARE(form.size(), QSize(624, 256));
      QVERIFY(form.windowFlags().testFlag(Qt::Tool));
      QCOMPARE(form.TkBtn3->isVisible(), r.loadPicture);
      QCOMPARE(form.TkBtn4->isVisible(), r.savePicture);
      const QImage shot = form.grab().toImage();
      QCOMPARE(shot.pixel(2, 2) & 0xFFFFFF, r.form);  // the form between its controls
      const QImage slider = form.TrackBar1->grab().toImage();
      QVERIFY(test::CountPixels(slider, r.form) > slider.width() * slider.height() / 4);
      form.hide();
    }
  }

  void modePictureTakesNoClick() {
    Shown s(SlotMode::Load, Slots({{1, "x"}}));
    QVERIFY(QTest::qWaitForWindowExposed(&s.form));
    const QPoint at = s.form.TkBtn3->geometry().center();
    QTest::mouseClick(s.form.windowHandle(), Qt::LeftButton, {}, at);
    QCOMPARE(s.form.TkBtn3->BevelOuter(),
             PictureButton::Bevel::Lowered);  // still sunken, not pressed
    QVERIFY(s.form.isVisible());
    QTest::mouseClick(s.form.windowHandle(), Qt::LeftButton, {},
                      s.form.TkBtn6->geometry().center());
    QCOMPARE(s.form.ChosenSlot(), 0);  // the same way of clicking reaches a slot
  }

  void platformKeepsThePageAndRoutesTheQuestion() {
    QtPlatform platform;
    QStringList boxes;
    QList<BoxAnswer> answers = {BoxAnswer::Cancel, BoxAnswer::Ok};
    platform.boxHook = [&](const std::string& text, const std::string& caption, BoxButtons,
                           BoxIcon) {
      boxes << Utf8(caption) + "|" + Utf8(text);
      return answers.takeFirst();
    };
    const std::vector<SlotEntry> entries = Slots({{18, "十八"}});
    SlotDialog* form = platform.SlotForm();

    // Load: turn to page 5 and take its second slot.
    QTimer::singleShot(0, form, [form] {
      form->TrackBar1->setValue(4);
      QTest::mouseClick(form->TkBtn7, Qt::LeftButton);
    });
    int slot = -1;
    QVERIFY(platform.SlotDialog(SlotMode::Load, entries, slot));
    QCOMPARE(slot, 17);

    // Save: reopens on page 5; Cancel to the question keeps the dialog,
    // OK takes the slot.
    QString reopenedAt;
    bool openAfterCancel = false;
    QTimer::singleShot(0, form, [&] {
      reopenedAt = form->Label1->text();
      QTest::mouseClick(form->TkBtn7, Qt::LeftButton);
      openAfterCancel = form->isVisible();
      QTest::mouseClick(form->TkBtn7, Qt::LeftButton);
    });
    slot = -1;
    QVERIFY(platform.SlotDialog(SlotMode::Save, entries, slot));
    QCOMPARE(reopenedAt, QStringLiteral("5/20"));
    QVERIFY(openAfterCancel);
    QCOMPARE(slot, 17);
    QCOMPARE(boxes, QStringList(2, QStringLiteral("確認|上書きしていいですか？")));

    // Cancelled: nothing chosen, the slot left as it was.
    QTimer::singleShot(0, form, [form] { QTest::keyClick(form->focusWidget(), Qt::Key_Escape); });
    QVERIFY(!platform.SlotDialog(SlotMode::Load, entries, slot));
    QCOMPARE(slot, 17);
    QCOMPARE(platform.SlotForm(), form);
  }

  void theQuickAndAutomaticSavesHaveALastPageOnlyForLoading() {
    const struct {
      SlotMode mode;
      int shownPage;      // after asking for the 21st
      QString indicator;  // what the page indicator reads, lines joined
      bool nextOnPage20;
      QString firstCaption;
    } rows[] = {
        {SlotMode::Load, 20, QStringLiteral("クイック／オート"), true, "81 quick"},
        {SlotMode::Save, 19, QStringLiteral("20/20"), false, "77 "},
    };
    for (const auto& r : rows) {
      Shown s(r.mode,
              r.mode == SlotMode::Load ? LoadSlots({{81, "quick"}, {83, "auto"}}) : Slots());
      s.form.ShowPage(19);
      QCOMPARE(s.form.TkBtn2->isVisible(), r.nextOnPage20);
      s.form.ShowPage(20);
      QCOMPARE(s.form.Page(), r.shownPage);
      QCOMPARE(s.form.Label1->text().remove('\n'), r.indicator);
      QCOMPARE(s.form.TkBtn2->isVisible(), false);
      QVERIFY2(s.form.TkBtn6->Caption().startsWith(r.firstCaption),
               qPrintable(s.form.TkBtn6->Caption()));
      if (r.mode == SlotMode::Load) {
        QCOMPARE(Enabled(s.form), (QList<bool>{true, false, true, false}));
        QTest::mouseClick(s.form.TkBtn8, Qt::LeftButton);
        QCOMPARE(s.form.ChosenSlot(), 82);  // slot 83
      }
    }
  }

  void aSavesPictureSitsBesideItsLabel() {
    test::TempDir dir;
    const std::string good = dir.str() + "/data1.png";
    QImage red(160, 120, QImage::Format_RGB32);
    red.fill(QColor(0xFF, 0, 0));
    QVERIFY(red.save(QString::fromStdString(good)));
    const std::string damaged = dir.Write("data2.png", "\x89PNG\r\n\x1a\n but no more");
    QImage huge(4000, 3000, QImage::Format_RGB32);
    huge.fill(QColor(0xFF, 0, 0));
    const std::string tooLarge = dir.str() + "/data3.png";
    QVERIFY(huge.save(QString::fromStdString(tooLarge)));
    const struct {
      const char* what;
      std::string title;
      std::string thumbnail;
      bool used;
      bool shown;
    } rows[] = {
        {"a short title", "第一章", good, true, true},
        {"no title at all", "", good, true, true},
        {"a title that leaves no room", std::string(64, 'W'), good, true, false},
        {"a damaged picture", "第一章", damaged, true, false},
        {"a picture too large to be one of ours", "第一章", tooLarge, true, false},
        {"a missing picture", "第一章", dir.str() + "/gone.png", true, false},
        {"no picture", "第一章", "", true, false},
        {"a picture beside an empty slot", "", good, false, false},
    };
    for (const auto& r : rows) {
      std::vector<SlotEntry> entries = Slots();
      entries[0] = {r.used ? Label(1, r.title.empty() ? " " : r.title) : Label(1), r.used,
                    r.thumbnail};
      Shown s(SlotMode::Load, entries);
      const QRect where = s.form.PictureRect(0);
      QCOMPARE(!where.isEmpty(), r.shown);
      const QImage button = s.form.TkBtn6->grab().toImage();
      const int red = test::CountPixels(button, 0xFF0000);
      if (!r.shown) {
        QVERIFY2(red == 0, r.what);
        continue;
      }
      // The whole picture shows, 4:3, and none of it lies under the title
      // or the date.
      QVERIFY2(red >= where.width() * where.height() * 9 / 10, r.what);
      QVERIFY2(qAbs(where.width() * 3 - where.height() * 4) < 4, r.what);  // within a pixel
      const QString caption = s.form.TkBtn6->Caption();
      const QFontMetrics metrics(s.form.TkBtn6->font());
      QString title = caption.left(caption.size() - 18);
      const int dateStarts = 4 + metrics.horizontalAdvance(title);
      while (title.endsWith(' ')) title.chop(1);
      QVERIFY2(where.left() >= 4 + metrics.horizontalAdvance(title), r.what);
      QVERIFY2(where.right() < dateStarts, r.what);
      QVERIFY2(where.top() >= 0 && where.bottom() < s.form.TkBtn6->height(), r.what);
    }
  }

  void labelsLineUpAndFit() {
    // Japanese and Latin titles of the same width in columns end at the
    // same place, and the longest label fits inside its button.
    SlotDialog form;
    const QFontMetrics metrics(form.TkBtn6->font());
    const QString latin = Utf8(Label(80, std::string(64, 'W')));
    std::string fullWidth;
    for (int i = 0; i < 16; ++i) fullWidth += "題名";
    const QString japanese = Utf8(Label(1, fullWidth));
    QCOMPARE(metrics.horizontalAdvance(japanese), metrics.horizontalAdvance(latin));
    QVERIFY(metrics.horizontalAdvance(latin) <= form.TkBtn6->width() - 8);

    // With KORVANA_GUI_SHOTS set to a folder, the dialog is drawn there in
    // both modes for a person to look at.
    const QString folder = qEnvironmentVariable("KORVANA_GUI_SHOTS");
    if (folder.isEmpty()) return;
    std::vector<SlotEntry> entries = Slots({{5, "プロローグ　春の駅"},
                                            {6, "Chapter 2: the letter"},
                                            {8, "第三章　約束の場所で待っていたのは"}});
    // A picture of a screen on the first two: blue sky over green grass.
    QImage picture(160, 120, QImage::Format_RGB32);
    picture.fill(QColor(0x40, 0x90, 0xE0));
    QPainter(&picture).fillRect(0, 80, 160, 40, QColor(0x30, 0xA0, 0x40));
    const QString thumbnail = folder + "/thumbnail.png";
    QVERIFY(picture.save(thumbnail));
    for (int n : {5, 6}) entries[n - 1].thumbnail = thumbnail.toStdString();
    for (SlotMode mode : {SlotMode::Load, SlotMode::Save}) {
      form.Prepare(mode, entries);
      form.ShowPage(1);
      form.show();
      form.TkBtn7->setFocus();
      QVERIFY(form.grab().save(folder + (mode == SlotMode::Load ? "/load.png" : "/save.png")));
    }
    // The quick and automatic saves' page.
    entries = LoadSlots({{81, "第四章　雨の夜"}, {82, "第三章　約束の場所で"}, {84, "終章"}});
    for (int n : {81, 82}) entries[n - 1].thumbnail = thumbnail.toStdString();
    form.Prepare(SlotMode::Load, entries);
    form.ShowPage(SlotDialog::kReaderPage);
    QVERIFY(form.grab().save(folder + "/quick.png"));
  }
};

KORVANA_GUI_TEST(SlotDialogTest);
#include "SlotDialogTest.moc"
