// The font dialog as the reader meets it: the form's panels and lists, the
// installed faces in fontconfig's order, the table's faces selected, the
// preview, and what OK and Cancel leave in the engine.
#include <QTimer>
#include <QtTest>

#include "FontDialog.h"
#include "GuiGame.h"
#include "GuiTests.h"
#include "script/EngineProbe.h"

using namespace korvana;
using test::Game;

namespace {

FontChoice Choice(std::array<std::string, 4> faces, std::vector<std::string> installed) {
  FontChoice choice;
  choice.faces = std::move(faces);
  choice.comments = {cp932::FromUtf8("本文"), cp932::FromUtf8("会話"), cp932::FromUtf8("強調"),
                     cp932::FromUtf8("ふりがな")};
  choice.installed = std::move(installed);
  return choice;
}

QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
  return items;
}

// Runs `act` on the modal font dialog once it shows.
void WhenShown(QtPlatform& platform, std::function<void(FontDialog&)> act) {
  QTimer::singleShot(0, [&platform, act] {
    FontDialog* form = platform.FontForm();
    QVERIFY(QApplication::activeModalWidget() == form);
    act(*form);
  });
}

}  // namespace

class FontDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { test::ClearQuit(); }

  void layoutIsTheForms() {
    FontDialog form;
    form.Prepare(Choice({"IPAGothic", "IPAGothic", "IPAGothic", "IPAGothic"}, {"IPAGothic"}));
    form.show();
    QCOMPARE(form.windowTitle(), QStringLiteral("フォント設定"));
    QCOMPARE(form.size(), QSize(618, 273));
    QVERIFY(form.windowFlags() & Qt::Tool);
    const struct {
      const char* name;
      QRect geometry;
      const char* text;  // null: not checked
    } rows[] = {
        {"Panel6", {8, 8, 257, 25}, "コメント"},
        {"Panel5", {272, 8, 337, 25}, "フォント名"},
        {"Panel7", {8, 40, 257, 41}, "本文"},
        {"Panel8", {8, 88, 257, 41}, "会話"},
        {"Panel9", {8, 136, 257, 41}, "強調"},
        {"Panel10", {8, 184, 257, 41}, "ふりがな"},
        {"Panel1", {272, 40, 337, 41}, nullptr},
        {"Panel2", {272, 88, 337, 41}, nullptr},
        {"Panel3", {272, 136, 337, 41}, nullptr},
        {"Panel4", {272, 184, 337, 41}, nullptr},
        {"Panel11", {8, 232, 337, 25}, "欧文フォントを指定すると日本語が表示できません"},
        {"Button1", {352, 232, 75, 25}, "OK"},
        {"Button2", {472, 232, 75, 25}, "キャンセル"},
    };
    for (const auto& r : rows) {
      QWidget* w = form.findChild<QWidget*>(r.name);
      QVERIFY2(w, r.name);
      QCOMPARE(w->geometry(), r.geometry);
      if (!r.text) continue;
      if (auto* label = qobject_cast<QLabel*>(w))
        QCOMPARE(label->text(), QString::fromUtf8(r.text));
      else
        QCOMPARE(qobject_cast<QPushButton*>(w)->text(), QString::fromUtf8(r.text));
    }
    for (int row = 0; row < FontDialog::kRows; ++row) {
      QComboBox* box = form.ComboBoxes[row];
      QCOMPARE(box->parentWidget(), form.ListPanels[row]);
      QCOMPARE(box->pos(), QPoint(16, 13));
      QCOMPARE(box->width(), 305);
      QVERIFY(!box->isEditable());
      // Three text fonts large, the ruby font small.
      QCOMPARE(form.CommentPanels[row]->font().pixelSize(), row < 3 ? 27 : 13);
    }
    // The form's colour around the panels, white inside them.
    const QImage shot = form.grab().toImage();
    QCOMPARE(shot.pixel(3, 3) & 0xFFFFFF, 0xA0D0D0u);
    QCOMPARE(shot.pixel(12, 12) & 0xFFFFFF, 0xFFFFFFu);
    QCOMPARE(shot.pixel(12, 60) & 0xFFFFFF, 0xFFFFFFu);
  }

  void listsHoldTheInstalledFacesInFontconfigsOrderWithoutVerticalOnes() {
    FontDialog form;
    form.Prepare(Choice({}, {"Zeta", "@IPAGothic", "IPAGothic", "Alpha", "@Zeta"}));
    for (QComboBox* box : form.ComboBoxes)
      QCOMPARE(Items(box), (QStringList{"Zeta", "IPAGothic", "Alpha"}));
  }

  void openingSelectsTheTableAndNothingForAFaceNotInstalled() {
    FontDialog form;
    form.Prepare(
        Choice({"IPAGothic", "NoSuchFace", "Alpha", "IPAGothic"}, {"Zeta", "IPAGothic", "Alpha"}));
    QList<int> indices;
    for (QComboBox* box : form.ComboBoxes) indices << box->currentIndex();
    QCOMPARE(indices, (QList<int>{1, -1, 2, 1}));
    QCOMPARE(form.ChosenFaces(),
             (std::array<std::string, 4>{"IPAGothic", "", "Alpha", "IPAGothic"}));
    QCOMPARE(form.CommentPanels[0]->font().family(), QStringLiteral("IPAGothic"));
    // The next opening starts from the table again, whatever was chosen.
    form.ComboBoxes[0]->setCurrentIndex(0);
    form.Prepare(Choice({"Alpha", "Alpha", "Alpha", "Alpha"}, {"Zeta", "IPAGothic", "Alpha"}));
    QCOMPARE(form.ComboBoxes[0]->currentText(), QStringLiteral("Alpha"));
  }

  void aFaceNamedByItsOtherNameIsSelectedByItsListedName() {
    FontDialog form;
    FontChoice choice = Choice({"IPAGothic", "NoSuchFace", "@IPAGothic", cp932::FromUtf8("IPA明朝")},
                               {cp932::FromUtf8("IPAゴシック"), cp932::FromUtf8("IPA明朝")});
    choice.aliases = {{"IPAGothic", cp932::FromUtf8("IPAゴシック")},
                      {"IPAMincho", cp932::FromUtf8("IPA明朝")}};
    form.Prepare(choice);
    QStringList shown;
    for (QComboBox* box : form.ComboBoxes) shown << box->currentText();
    QCOMPARE(shown, (QStringList{"IPAゴシック", "", "", "IPA明朝"}));
    QCOMPARE(form.ChosenFaces()[0], cp932::FromUtf8("IPAゴシック"));
  }

  void choosingAFacePreviewsTheCommentInIt() {
    FontDialog form;
    form.Prepare(
        Choice({"IPAGothic", "IPAGothic", "IPAGothic", "IPAGothic"}, {"IPAGothic", "IPAMincho"}));
    form.show();
    const QImage gothic = form.CommentPanels[1]->grab().toImage();
    form.ComboBoxes[1]->setCurrentIndex(1);
    QCOMPARE(form.CommentPanels[1]->font().family(), QStringLiteral("IPAMincho"));
    QCOMPARE(form.CommentPanels[1]->font().pixelSize(), 27);
    QVERIFY(form.CommentPanels[1]->grab().toImage() != gothic);
    QCOMPARE(form.CommentPanels[0]->font().family(), QStringLiteral("IPAGothic"));
  }

  void okGivesTheListsAndCancelEscAndCloseGiveNothing() {
    const struct {
      const char* name;
      std::function<void(FontDialog&)> close;
      bool ok;
    } rows[] = {
        {"OK", [](FontDialog& f) { QTest::mouseClick(f.Button1, Qt::LeftButton); }, true},
        {"キャンセル", [](FontDialog& f) { QTest::mouseClick(f.Button2, Qt::LeftButton); }, false},
        {"Esc", [](FontDialog& f) { QTest::keyClick(&f, Qt::Key_Escape); }, false},
        {"close box", [](FontDialog& f) { f.close(); }, false},
    };
    for (const auto& r : rows) {
      FontDialog form;
      FontChoice choice =
          Choice({"IPAGothic", "NoSuchFace", "IPAGothic", "IPAGothic"}, {"IPAGothic", "IPAMincho"});
      QTimer::singleShot(0, &form, [&] {
        form.ComboBoxes[0]->setCurrentIndex(1);
        r.close(form);
      });
      QCOMPARE(form.Choose(choice), r.ok);
      const std::array<std::string, 4> expected =
          r.ok ? std::array<std::string, 4>{"IPAMincho", "", "IPAGothic", "IPAGothic"}
               : std::array<std::string, 4>{"IPAGothic", "NoSuchFace", "IPAGothic", "IPAGothic"};
      QVERIFY2(choice.faces == expected, r.name);
    }
  }

  void fiveThousandFacesOpenAndChoose() {
    std::vector<std::string> faces;
    for (int i = 0; i < 5000; ++i) faces.push_back("Face " + std::to_string(i));
    faces.push_back("@Face 1");
    FontDialog form;
    form.Prepare(Choice({"Face 4999", "Face 0", "Face 2500", "Nothing"}, faces));
    for (QComboBox* box : form.ComboBoxes) QCOMPARE(box->count(), 5000);
    QCOMPARE(form.ChosenFaces(),
             (std::array<std::string, 4>{"Face 4999", "Face 0", "Face 2500", ""}));
    form.Prepare(Choice({"Face 1", "Face 1", "Face 1", "Face 1"}, faces));  // the same list again
    QCOMPARE(form.ComboBoxes[3]->currentIndex(), 1);
  }

  void theMenuChangesTheTableAndTheFacesAndClearsTheClicks() {
    for (const bool ok : {true, false}) {
      Game g("SavePath=.\\\r\n", "_$flg[1]=1\r\n");
      g.dir.Write("krv.ini",
                  "Version=1.42\r\n[Font]\r\nFont0=IPAGothic\r\nFont1=IPAGothic\r\n"
                  "Font2=IPAGothic\r\nFont3=IPAGothic\r\n");
      QVERIFY(g.app->Open());
      QTRY_COMPARE_WITH_TIMEOUT(g.Flag(1), std::string("1"), test::kSettleMs);
      Engine& e = g.app->engine;
      EngineProbe probe(e);
      probe.PokeClicks().ClickFlag = probe.PokeClicks().MouseDownFlag =
          probe.PokeClicks().MouseUpFlag = true;
      WhenShown(g.app->platform, [ok](FontDialog& form) {
        form.ComboBoxes[0]->setCurrentIndex(form.ComboBoxes[0]->findText("IPA明朝"));
        form.ComboBoxes[3]->setCurrentIndex(form.ComboBoxes[3]->findText("IPA明朝"));
        QTest::mouseClick(ok ? form.Button1 : form.Button2, Qt::LeftButton);
      });
      g.app->window->Item("Kfont")->trigger();
      // The faces come back by the names the lists show them by.
      const std::string face = ok ? cp932::FromUtf8("IPA明朝") : "IPAGothic";
      QCOMPARE(probe.Message().FontTable[0], face);
      QCOMPARE(probe.Message().FontTable[1], ok ? cp932::FromUtf8("IPAゴシック") : "IPAGothic");
      QCOMPARE(probe.Message().FontTable[3], face);
      QCOMPARE(probe.Message().text.FontName, face);
      QCOMPARE(probe.Message().text.RubyFontName, face);
      QVERIFY(!probe.Clicks().ClickFlag && !probe.Clicks().MouseDownFlag &&
              !probe.Clicks().MouseUpFlag);
    }
  }
};

KORVANA_GUI_TEST(FontDialogTest);
#include "FontDialogTest.moc"
