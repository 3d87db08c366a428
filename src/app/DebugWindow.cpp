#include "DebugWindow.h"

#include <QBoxLayout>
#include <QHideEvent>
#include <QMessageBox>

#include "Forms.h"

namespace korvana {
namespace {

constexpr int kClientWidth = 459;
constexpr int kClientHeight = 315;
// A line of `ValList` is "%03d = " and the flag's text.
constexpr int kValueHead = 6;
constexpr int kImageWidth = 320;
constexpr int kImageHeight = 240;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(name);
  button->setAutoDefault(false);
  return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text = {}) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  return label;
}

QListWidget* MakeList(QWidget* parent, const char* name) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  // 512 lines of one height: Qt need not measure each.
  list->setUniformItemSizes(true);
  return list;
}

}  // namespace

const char* const DebugWindow::kBufferNames[DebugSource::kBufferCount] = {
    "仮想ＶＲＡＭ", "背景",       "効果",       "テキスト",   "背景Ｍ(未使用)", "効果Ｍ",
    "テキストＭ",   "ＴＥＭＰ１", "ＴＥＭＰ２", "人物０",     "人物０Ｍ",       "人物１",
    "人物１Ｍ",     "人物２",     "人物２Ｍ",   "スプライト", "スプライトＭ"};

DebugWindow::DebugWindow(QWidget* parent) : QDialog(parent) {
  setObjectName("TFdebug");
  setWindowTitle(QStringLiteral("デバッグモード"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                 Qt::CustomizeWindowHint);
  setModal(false);
  setFixedSize(kClientWidth, kClientHeight);

  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  PageControl1->setGeometry(4, 4, kClientWidth - 8, 276);
  PageControl1->addTab(MakeErrorTab(), QStringLiteral("エラーリスト"));
  PageControl1->addTab(MakeValueTab(), QStringLiteral("変数リスト"));
  PageControl1->addTab(MakeStatusTab(), QStringLiteral("実行時ステータス"));
  PageControl1->addTab(MakeBufferTab(), QStringLiteral("画像バッファ"));

  Button4 = MakeButton(this, "Button4", QStringLiteral("プログラム終了"));
  Button4->setGeometry(4, 286, 110, 25);
  connect(Button4, &QPushButton::clicked, this, [this] {
    if (endProgram) endProgram();
  });
  Button1 = MakeButton(this, "Button1", QStringLiteral("閉じる"));
  Button1->setGeometry(kClientWidth - 4 - 75, 286, 75, 25);
  connect(Button1, &QPushButton::clicked, this, &QWidget::hide);
}

QWidget* DebugWindow::MakeErrorTab() {
  auto* page = new QWidget;
  ErrList = MakeList(page, "ErrList");
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(ErrList);
  return page;
}

QWidget* DebugWindow::MakeValueTab() {
  auto* page = new QWidget;
  ValList = MakeList(page, "ValList");
  ValList->setFixedWidth(250);
  connect(ValList, &QListWidget::currentRowChanged, this, &DebugWindow::ValueSelected);
  connect(ValList, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { ValueSelected(ValList->row(item)); });

  Label1 = MakeLabel(page, "Label1", QStringLiteral("選択："));
  SelectedIndex = MakeLabel(page, "SelectedIndex");
  ValEdit1 = new QLineEdit(page);
  ValEdit1->setObjectName("ValEdit1");
  Button3 = MakeButton(page, "Button3", QStringLiteral("SET"));
  connect(Button3, &QPushButton::clicked, this, &DebugWindow::SetSelectedFlag);
  connect(ValEdit1, &QLineEdit::returnPressed, this, &DebugWindow::SetSelectedFlag);
  Button5 = MakeButton(page, "Button5", QStringLiteral("強制更新"));
  connect(Button5, &QPushButton::clicked, this, [this] {
    if (source_) source_->RewriteValueLines();
  });
  Label2 = MakeLabel(page, "Label2", QStringLiteral("←ここは自動的に更新されます"));
  Label2->setWordWrap(true);

  auto* selected = new QHBoxLayout;
  selected->addWidget(Label1);
  selected->addWidget(SelectedIndex, 1);
  auto* side = new QVBoxLayout;
  side->addLayout(selected);
  side->addWidget(ValEdit1);
  side->addWidget(Button3, 0, Qt::AlignLeft);
  side->addStretch(1);
  side->addWidget(Label2);
  side->addStretch(1);
  side->addWidget(Button5, 0, Qt::AlignLeft);
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(ValList);
  layout->addLayout(side, 1);
  return page;
}

QWidget* DebugWindow::MakeStatusTab() {
  auto* page = new QWidget;
  ListBox1 = MakeList(page, "ListBox1");
  Button2 = MakeButton(page, "Button2", QStringLiteral("更新"));
  connect(Button2, &QPushButton::clicked, this, &DebugWindow::ShowWholeDump);

  // Moving the story sits beside the state it changes: the labels to run
  // from, and the step through the lines.
  LabelBox = new QComboBox(page);
  LabelBox->setObjectName("LabelBox");
  LabelBox->setMaxVisibleItems(20);
  JumpButton = MakeButton(page, "JumpButton", QStringLiteral("ここから実行"));
  connect(JumpButton, &QPushButton::clicked, this, &DebugWindow::JumpToSelectedLabel);
  StepButton = MakeButton(page, "StepButton", QStringLiteral("1行実行"));
  connect(StepButton, &QPushButton::clicked, this, [this] {
    if (source_) source_->StepLine();
  });
  ContinueButton = MakeButton(page, "ContinueButton", QStringLiteral("続行"));
  connect(ContinueButton, &QPushButton::clicked, this, [this] {
    if (source_) source_->ContinueStory();
  });
  PlaceLabel = MakeLabel(page, "PlaceLabel");

  auto* jump = new QHBoxLayout;
  jump->addWidget(LabelBox, 1);
  jump->addWidget(JumpButton);
  auto* step = new QHBoxLayout;
  step->addWidget(PlaceLabel, 1);
  step->addWidget(StepButton);
  step->addWidget(ContinueButton);
  step->addWidget(Button2);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(ListBox1, 1);
  layout->addLayout(jump);
  layout->addLayout(step);
  return page;
}

void DebugWindow::ShowWholeDump() {
  ListBox1->clear();
  if (!source_) return;
  for (const std::string& line : source_->StateDump()) ListBox1->addItem(Q(line));
}

QWidget* DebugWindow::MakeBufferTab() {
  auto* page = new QWidget;
  Image1 = MakeLabel(page, "Image1");
  Image1->setFixedSize(kImageWidth, kImageHeight);
  Image1->setScaledContents(true);
  Image1->setAutoFillBackground(true);
  QPalette pal = Image1->palette();
  pal.setColor(QPalette::Window, Qt::black);
  Image1->setPalette(pal);
  ComboBox1 = new QComboBox(page);
  ComboBox1->setObjectName("ComboBox1");
  for (const char* name : kBufferNames) ComboBox1->addItem(QString::fromUtf8(name));
  ComboBox1->setCurrentIndex(-1);
  // Choosing the same entry again shows the picture as it is now.
  connect(ComboBox1, &QComboBox::activated, this, &DebugWindow::ShowBuffer);
  FileLabel = MakeLabel(page, "FileLabel");
  FileLabel->setWordWrap(true);
  SizeXLabel = MakeLabel(page, "SizeXLabel");
  SizeYLabel = MakeLabel(page, "SizeYLabel");
  Label3 = MakeLabel(page, "Label3", QStringLiteral("選択し直せば更新"));

  auto* side = new QVBoxLayout;
  side->addWidget(ComboBox1);
  side->addWidget(FileLabel);
  side->addWidget(SizeXLabel);
  side->addWidget(SizeYLabel);
  side->addStretch(1);
  side->addWidget(Label3);
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(Image1, 0, Qt::AlignTop);
  layout->addLayout(side, 1);
  return page;
}

void DebugWindow::JumpToSelectedLabel() {
  const int row = LabelBox->currentIndex();
  if (!source_ || row < 0 || row >= static_cast<int>(labels_.size())) return;
  if (source_->JumpToLabel(labels_[row]) && runAgain) runAgain();
}

void DebugWindow::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  // Closed, the window no longer offers "続行": a story stopped by a step
  // runs on. Minimised, it stays stopped.
  if (!event->spontaneous() && source_) source_->ContinueStory();
}

void DebugWindow::ShowPlace() {
  const std::string at = source_ ? source_->PausedAt() : std::string();
  PlaceLabel->setText(at.empty() ? QString() : QStringLiteral("停止中：") + Q(at));
  // Stopped, the whole dump shows the line to run next and the state it
  // meets; running, it stays as the author last asked for it.
  if (!at.empty()) ShowWholeDump();
}

void DebugWindow::Attach(DebugSource* source) {
  source_ = source;
  Refresh();
}

void DebugWindow::Refresh() {
  ListChanged(DebugList::Errors, -1);
  ListChanged(DebugList::Values, -1);
}

void DebugWindow::FillList(QListWidget* list, const std::vector<std::string>& lines, int line) {
  const int count = static_cast<int>(lines.size());
  if (line >= 0 && line < count && list->count() == count) {
    list->item(line)->setText(Q(lines[line]));
    return;
  }
  if (line >= 0 && line == count - 1 && list->count() == line) {
    list->addItem(Q(lines[line]));
    return;
  }
  // The whole list: the selection and the scroll position stay where the
  // author left them.
  const int row = list->currentRow();
  while (list->count() > count) delete list->takeItem(list->count() - 1);
  for (int i = 0; i < count; ++i) {
    if (i < list->count())
      list->item(i)->setText(Q(lines[i]));
    else
      list->addItem(Q(lines[i]));
  }
  if (row < count) list->setCurrentRow(row);
}

void DebugWindow::ListChanged(DebugList which, int line) {
  if (!source_) return;
  if (which == DebugList::Place)
    ShowPlace();
  else if (which == DebugList::Errors)
    FillList(ErrList, source_->ErrorLines(), line);
  else
    FillList(ValList, source_->ValueLines(), line);
}

void DebugWindow::ValueSelected(int row) {
  if (!source_ || row < 0 || row >= static_cast<int>(source_->ValueLines().size())) return;
  SelectedIndex->setText(QString::number(row));
  const std::string& line = source_->ValueLines()[row];
  ValEdit1->setText(Q(line.size() > kValueHead ? line.substr(kValueHead) : std::string()));
}

void DebugWindow::SetSelectedFlag() {
  const int row = ValList->currentRow();
  if (!source_ || row < 0) return;
  bool complete = true;
  const std::string text = cp932::FromUtf8(ValEdit1->text().toStdString(), &complete);
  if (!complete) {
    const QString why = QStringLiteral(
        "スクリプトの文字コード（CP932）で表せない文字があるため、フラグは変更しませんでした。");
    if (report)
      report(why);
    else
      QMessageBox::warning(this, QStringLiteral("SET"), why);
    return;
  }
  source_->SetFlagFromDebug(row, text);
}

void DebugWindow::ShowBuffer(int index) {
  if (!source_ || index < 0 || index >= DebugSource::kBufferCount) return;
  const Picture& p = source_->BufferPicture(index);
  if (p.Empty()) {
    Image1->clear();
  } else {
    // Only the 320 × 240 view is made: a large picture is never copied whole.
    Image1->setPixmap(QPixmap::fromImage(ImageOf(p).scaled(kImageWidth, kImageHeight)));
  }
  const bool sheet = index >= DebugSource::kBufferCount - 2;
  FileLabel->setText(sheet ? QStringLiteral("File:") + Q(source_->BufferFileName(index))
                           : QString());
  SizeXLabel->setText(QStringLiteral("SizeX:%1").arg(p.Width()));
  SizeYLabel->setText(QStringLiteral("SizeY:%1").arg(p.Height()));
}

void DebugWindow::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Refresh();
  // The dump starts with where the story is and where it runs; "更新" adds
  // the rest.
  ListBox1->clear();
  if (!source_) return;
  const std::vector<std::string> dump = source_->StateDump();
  for (size_t i = dump.size() >= 2 ? dump.size() - 2 : 0; i < dump.size(); ++i)
    ListBox1->addItem(Q(dump[i]));
  // The scripts may have changed since the window was last shown.
  labels_ = source_->GameLabels();
  LabelBox->clear();
  for (const DebugLabel& l : labels_)
    LabelBox->addItem(Q(l.file + ":" + std::to_string(l.line + 1) + " " + l.name));
  ShowPlace();
}

}  // namespace korvana
