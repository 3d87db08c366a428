#include "ReaderSettingsDialog.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

#include "Forms.h"

namespace korvana {
namespace {

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

QCheckBox* ReaderSettingsDialog::AddSwitch(QGroupBox* group, const QString& caption) {
  auto* box = new QCheckBox(caption, group);
  static_cast<QFormLayout*>(group->layout())->addRow(box);
  return box;
}

void ReaderSettingsDialog::Prepare(const config::ReaderSettings& settings) {
  autoBase->setValue(settings.autoBaseMs);
  autoPerChar->setValue(settings.autoPerCharMs);
  skipStopsAtChoices->setChecked(settings.skipStopsAtChoices);
  skipUnread->setChecked(settings.skipUnread);
  autoSaves->setChecked(settings.autoSaves);
  scalingSmooth->setChecked(settings.scalingSmooth);
  scalingFit->setChecked(settings.scalingFit);
  autoBase->setFocus(Qt::OtherFocusReason);
  autoBase->selectAll();
}

config::ReaderSettings ReaderSettingsDialog::Shown() const {
  config::ReaderSettings shown;
  shown.autoBaseMs = autoBase->value();
  shown.autoPerCharMs = autoPerChar->value();
  shown.skipStopsAtChoices = skipStopsAtChoices->isChecked();
  shown.skipUnread = skipUnread->isChecked();
  shown.autoSaves = autoSaves->isChecked();
  shown.scalingSmooth = scalingSmooth->isChecked();
  shown.scalingFit = scalingFit->isChecked();
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
