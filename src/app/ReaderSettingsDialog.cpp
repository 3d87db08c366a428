#include "ReaderSettingsDialog.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "Forms.h"

namespace korvana {
namespace {

// The buttons as the settings file names them after "Pad", and their
// captions.
struct PadRow {
  const char* key;
  const char* caption;
};
constexpr PadRow kPadRows[] = {
    {"A", "A (下)"},      {"B", "B (右)"},     {"X", "X (左)"},     {"Y", "Y (上)"},
    {"LB", "LB"},         {"RB", "RB"},        {"LT", "LT"},        {"RT", "RT"},
    {"Start", "Start"},   {"Back", "Back / Select"}, {"Up", "十字キー上"},
    {"Down", "十字キー下"}, {"Left", "十字キー左"}, {"Right", "十字キー右"},
};
static_assert(std::size(kPadRows) == static_cast<size_t>(PadButton::Count));

// The actions' captions, in the order of config::PadAction.
const char* const kPadActionCaptions[] = {
    "なし",           "クリック",       "メニュー／閉じる", "文字を消す",
    "前の文章を読む", "一つ前に戻る",   "次へ進む",         "押す間スキップ",
    "オート",         "データ保存",     "データ読み込み",   "上",
    "下",             "左",             "右",
};
static_assert(std::size(kPadActionCaptions) == static_cast<size_t>(config::PadAction::Count));

// The ranges the settings file takes (config/ReaderSettings.cpp).
constexpr int kMostAutoBaseMs = 60000;
constexpr int kMostAutoPerCharMs = 1000;

}  // namespace

ReaderSettingsDialog::ReaderSettingsDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("ReaderSettings");
  setWindowTitle(QStringLiteral("設定"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::CustomizeWindowHint);
  auto* layout = new QVBoxLayout(this);
  groups_ = new QVBoxLayout;
  layout->addLayout(groups_);

  QGroupBox* automatic = AddGroup(QStringLiteral("オート"));
  autoBase = AddTime(automatic, QStringLiteral("オートの待ち時間（基本）(&B):"), kMostAutoBaseMs, 100);
  autoBase->setObjectName("autoBase");
  autoPerChar = AddTime(automatic, QStringLiteral("1文字ごとの待ち時間(&P):"), kMostAutoPerCharMs, 5);
  autoPerChar->setObjectName("autoPerChar");

  QGroupBox* skipping = AddGroup(QStringLiteral("スキップ"));
  skipStopsAtChoices = AddSwitch(skipping, QStringLiteral("選択肢でスキップを止める(&C)"));
  skipStopsAtChoices->setObjectName("skipStopsAtChoices");
  skipUnread = AddSwitch(skipping, QStringLiteral("未読の文章もスキップする(&U)"));
  skipUnread->setObjectName("skipUnread");

  QGroupBox* saving = AddGroup(QStringLiteral("セーブ"));
  autoSaves = AddSwitch(saving, QStringLiteral("自動セーブする(&S)"));
  autoSaves->setObjectName("autoSaves");

  QGroupBox* display = AddGroup(QStringLiteral("表示"));
  scalingSmooth = AddSwitch(display, QStringLiteral("なめらかに拡大する(&M)"));
  scalingSmooth->setObjectName("scalingSmooth");
  scalingFit = AddSwitch(display, QStringLiteral("全画面では画面いっぱいに拡大する(&F)"));
  scalingFit->setObjectName("scalingFit");

  // The groups of later settings (reading aloud, text for other programs)
  // are added here, below these and above the buttons, with AddGroup.

  QGroupBox* voice = AddGroup(QStringLiteral("読み上げとテキスト出力"));
  speechVoice = AddRow(voice, QStringLiteral("声(&V):"), new QComboBox(voice));
  speechVoice->setObjectName("speechVoice");
  SetVoices({});
  speechRate = AddRow(voice, QStringLiteral("読む速さ(&R):"), new QSpinBox(voice));
  speechRate->setObjectName("speechRate");
  speechRate->setRange(-10, 10);
  textOutTarget = AddRow(voice, QStringLiteral("テキストの出力先(&T):"), new QComboBox(voice));
  textOutTarget->setObjectName("textOutTarget");
  textOutTarget->addItem(QStringLiteral("クリップボード"), QStringLiteral("clipboard"));
  textOutTarget->addItem(QStringLiteral("ファイル／パイプ"), QStringLiteral("file"));
  textOutTarget->addItem(QStringLiteral("WebSocket (127.0.0.1)"), QStringLiteral("websocket"));
  textOutPath = AddRow(voice, QStringLiteral("ファイル(&I):"), new QLineEdit(voice));
  textOutPath->setObjectName("textOutPath");
  textOutPort = AddRow(voice, QStringLiteral("ポート(&O):"), new QSpinBox(voice));
  textOutPort->setObjectName("textOutPort");
  textOutPort->setRange(1, 65535);
  // Fourteen buttons in two columns, so that the dialog still fits a
  // handheld's screen.
  QGroupBox* pad = AddGroup(QStringLiteral("ゲームパッド"));
  delete pad->layout();
  auto* padGrid = new QGridLayout(pad);
  constexpr int kPadRowsPerColumn = 7;
  for (size_t i = 0; i < padActions.size(); ++i) {
    auto* box = new QComboBox(pad);
    for (const char* caption : kPadActionCaptions) box->addItem(QString::fromUtf8(caption));
    box->setObjectName(QStringLiteral("pad") + QString::fromLatin1(kPadRows[i].key));
    auto* label = new QLabel(QString::fromUtf8(kPadRows[i].caption) + QStringLiteral(":"), pad);
    label->setBuddy(box);
    const int row = static_cast<int>(i) % kPadRowsPerColumn;
    const int column = static_cast<int>(i) / kPadRowsPerColumn * 2;
    padGrid->addWidget(label, row, column);
    padGrid->addWidget(box, row, column + 1);
    padActions[i] = box;
  }

  // For an author: a game in debug mode follows the edits of its script.
  QGroupBox* author = AddGroup(QStringLiteral("作者"));
  reloadOnChange = AddSwitch(author, QStringLiteral("スクリプトが変わったら読み直す(&L)"));
  reloadOnChange->setObjectName("reloadOnChange");

  buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
  buttons->button(QDialogButtonBox::Ok)->setDefault(true);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QGroupBox* ReaderSettingsDialog::AddGroup(const QString& title) {
  auto* group = new QGroupBox(title, this);
  group->setLayout(new QFormLayout);
  groups_->addWidget(group);
  return group;
}

QSpinBox* ReaderSettingsDialog::AddTime(QGroupBox* group, const QString& caption, int highest,
                                        int step) {
  auto* box = new QSpinBox(group);
  box->setRange(0, highest);
  box->setSingleStep(step);
  box->setSuffix(QStringLiteral(" ms"));
  box->setAccelerated(true);
  // The label's underlined letter moves to the box it names.
  auto* label = new QLabel(caption, group);
  label->setBuddy(box);
  static_cast<QFormLayout*>(group->layout())->addRow(label, box);
  return box;
}

template <typename Control>
Control* ReaderSettingsDialog::AddRow(QGroupBox* group, const QString& caption, Control* control) {
  auto* label = new QLabel(caption, group);
  label->setBuddy(control);
  static_cast<QFormLayout*>(group->layout())->addRow(label, control);
  return control;
}

void ReaderSettingsDialog::SetVoices(const QStringList& voices) {
  const QString kept = speechVoice->currentData().toString();
  speechVoice->clear();
  speechVoice->addItem(QStringLiteral("（自動：日本語の声があればそれ）"), QString());
  for (const QString& name : voices) speechVoice->addItem(name, name);
  speechVoice->setCurrentIndex(std::max(0, speechVoice->findData(kept)));
}

QCheckBox* ReaderSettingsDialog::AddSwitch(QGroupBox* group, const QString& caption) {
  auto* box = new QCheckBox(caption, group);
  static_cast<QFormLayout*>(group->layout())->addRow(box);
  return box;
}

void ReaderSettingsDialog::Prepare(const config::ReaderSettings& settings) {
  prepared_ = settings;
  autoBase->setValue(settings.autoBaseMs);
  autoPerChar->setValue(settings.autoPerCharMs);
  skipStopsAtChoices->setChecked(settings.skipStopsAtChoices);
  skipUnread->setChecked(settings.skipUnread);
  autoSaves->setChecked(settings.autoSaves);
  scalingSmooth->setChecked(settings.scalingSmooth);
  scalingFit->setChecked(settings.scalingFit);
  // A voice that is gone from the engine is still the reader's choice.
  const QString voice = QString::fromStdString(settings.speechVoice);
  if (speechVoice->findData(voice) < 0) speechVoice->addItem(voice, voice);
  speechVoice->setCurrentIndex(speechVoice->findData(voice));
  speechRate->setValue(settings.speechRate);
  textOutTarget->setCurrentIndex(
      std::max(0, textOutTarget->findData(QString::fromStdString(settings.textOutTarget))));
  textOutPath->setText(QString::fromStdString(settings.textOutPath));
  textOutPort->setValue(settings.textOutPort);
  for (size_t i = 0; i < padActions.size(); ++i)
    padActions[i]->setCurrentIndex(static_cast<int>(settings.pad[i]));
  reloadOnChange->setChecked(settings.reloadOnChange);
  autoBase->setFocus(Qt::OtherFocusReason);
  autoBase->selectAll();
}

config::ReaderSettings ReaderSettingsDialog::Shown() const {
  // What the dialog has no control for stays as it was prepared.
  config::ReaderSettings shown = prepared_;
  shown.autoBaseMs = autoBase->value();
  shown.autoPerCharMs = autoPerChar->value();
  shown.skipStopsAtChoices = skipStopsAtChoices->isChecked();
  shown.skipUnread = skipUnread->isChecked();
  shown.autoSaves = autoSaves->isChecked();
  shown.scalingSmooth = scalingSmooth->isChecked();
  shown.scalingFit = scalingFit->isChecked();
  shown.speechVoice = speechVoice->currentData().toString().toStdString();
  shown.speechRate = speechRate->value();
  shown.textOutTarget = textOutTarget->currentData().toString().toStdString();
  // One line in the settings file: a line break cannot be part of a path.
  shown.textOutPath = textOutPath->text().remove(QChar('\n')).remove(QChar('\r')).toStdString();
  shown.textOutPort = textOutPort->value();
  for (size_t i = 0; i < padActions.size(); ++i)
    shown.pad[i] = static_cast<config::PadAction>(padActions[i]->currentIndex());
  shown.reloadOnChange = reloadOnChange->isChecked();
  return shown;
}

bool ReaderSettingsDialog::Choose(config::ReaderSettings& settings) {
  Prepare(settings);
  adjustSize();
  CentreOnScreen(this);
  if (exec() != QDialog::Accepted) return false;
  settings = Shown();
  return true;
}

}  // namespace korvana
