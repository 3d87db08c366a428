#include "FontDialog.h"

#include "Forms.h"

namespace korvana {
namespace {

constexpr int kClientWidth = 618;
constexpr int kClientHeight = 273;
// The rows' tops, for text fonts 1-3 and the ruby font.
constexpr int kRowTops[FontDialog::kRows] = {40, 88, 136, 184};
// The comment panels' face sizes: three text fonts, then the smaller ruby.
constexpr int kCommentPixels[FontDialog::kRows] = {27, 27, 27, 13};

QFont PixelFont(const QString& family, int pixels) {
  QFont font(family);
  font.setPixelSize(pixels);
  return font;
}

// A raised panel on white with its caption centred, as the form's panels.
QLabel* MakePanel(QWidget* parent, const char* name, const QRect& geometry,
                  const QString& caption = {}) {
  auto* panel = new QLabel(caption, parent);
  panel->setObjectName(name);
  panel->setGeometry(geometry);
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel->setAlignment(Qt::AlignCenter);
  panel->setAutoFillBackground(true);
  QPalette pal = panel->palette();
  pal.setColor(QPalette::Window, Qt::white);
  pal.setColor(QPalette::WindowText, Qt::black);
  panel->setPalette(pal);
  return panel;
}

}  // namespace

FontDialog::FontDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("TFfont");
  setWindowTitle(QStringLiteral("フォント設定"));
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::CustomizeWindowHint);
  setFixedSize(kClientWidth, kClientHeight);
  // 0xD0D0A0 in the form's 0x00BBGGRR order.
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(0xA0, 0xD0, 0xD0));
  setPalette(pal);
  setAutoFillBackground(true);
  setFont(PixelFont(QStringLiteral("ＭＳ Ｐゴシック"), 12));

  Panel6 = MakePanel(this, "Panel6", QRect(8, 8, 257, 25), QStringLiteral("コメント"));
  Panel5 = MakePanel(this, "Panel5", QRect(272, 8, 337, 25), QStringLiteral("フォント名"));
  MakeRows();
  Panel11 = MakePanel(this, "Panel11", QRect(8, 232, 337, 25),
                      QStringLiteral("欧文フォントを指定すると日本語が表示できません"));

  Button1 = new QPushButton(QStringLiteral("OK"), this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(352, 232, 75, 25);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
  Button2->setObjectName("Button2");
  Button2->setGeometry(472, 232, 75, 25);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void FontDialog::MakeRows() {
  static const char* const kCommentNames[kRows] = {"Panel7", "Panel8", "Panel9", "Panel10"};
  static const char* const kListNames[kRows] = {"Panel1", "Panel2", "Panel3", "Panel4"};
  static const char* const kBoxNames[kRows] = {"ComboBox1", "ComboBox2", "ComboBox3", "ComboBox4"};
  for (int row = 0; row < kRows; ++row) {
    QLabel* comment = MakePanel(this, kCommentNames[row], QRect(8, kRowTops[row], 257, 41));
    comment->setFont(PixelFont(QStringLiteral("ＭＳ ゴシック"), kCommentPixels[row]));
    CommentPanels[row] = comment;

    auto* holder = new QFrame(this);
    holder->setObjectName(kListNames[row]);
    holder->setGeometry(272, kRowTops[row], 337, 41);
    holder->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ListPanels[row] = holder;

    auto* box = new QComboBox(holder);
    box->setObjectName(kBoxNames[row]);
    box->setEditable(false);
    box->setModel(&faces_);
    box->setGeometry(16, 13, 305, 22);
    box->setMaxVisibleItems(20);
    // The preview follows the list: the comment in the chosen face.
    connect(box, &QComboBox::currentTextChanged, comment, [comment, row](const QString& face) {
      if (!face.isEmpty()) comment->setFont(PixelFont(face, kCommentPixels[row]));
    });
    ComboBoxes[row] = box;
  }
}

void FontDialog::SetFaces(const std::vector<std::string>& installed) {
  if (installed == installed_ && !installed_.empty()) return;
  installed_ = installed;
  QStringList names;
  names.reserve(static_cast<qsizetype>(installed.size()));
  for (const std::string& face : installed)
    if (!face.empty() && face[0] != '@') names.push_back(Q(face));
  faces_.setStringList(names);
}

void FontDialog::Select(int row, const std::string& face, const std::string& listed) {
  QComboBox* box = ComboBoxes[row];
  // A face that is not installed shows no selection; its name still gives
  // the preview, through the system's font matching.
  box->setCurrentIndex(listed.empty() ? -1 : box->findText(Q(listed), Qt::MatchExactly));
  CommentPanels[row]->setFont(PixelFont(Q(face), kCommentPixels[row]));
}

void FontDialog::Prepare(const FontChoice& choice) {
  SetFaces(choice.installed);
  for (int row = 0; row < kRows; ++row) {
    CommentPanels[row]->setText(Q(choice.comments[row]));
    Select(row, choice.faces[row], choice.Listed(choice.faces[row]));
  }
  Button1->setFocus(Qt::OtherFocusReason);
}

std::array<std::string, FontDialog::kRows> FontDialog::ChosenFaces() const {
  std::array<std::string, kRows> faces;
  for (int row = 0; row < kRows; ++row) faces[row] = Sjis(ComboBoxes[row]->currentText());
  return faces;
}

bool FontDialog::Choose(FontChoice& choice) {
  Prepare(choice);
  CentreOnScreen(this);
  if (exec() != QDialog::Accepted) return false;
  choice.faces = ChosenFaces();
  return true;
}

}  // namespace korvana
