#pragma once
// `ReaderSettingsDialog`, "設定": the reader's own settings, which no game's
// files hold: auto mode's waiting times, how skipping behaves, automatic
// saves, how the picture is enlarged. Every control is reached with Tab or its underlined letter; Enter
// is OK and Esc cancels.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>
#include <array>

#include "config/ReaderSettings.h"

namespace korvana {

class ReaderSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ReaderSettingsDialog(QWidget* parent = nullptr);

  // Shows the dialog modally, centred on the screen, with `settings`; true
  // for OK, with `settings` then holding what the dialog shows.
  bool Choose(config::ReaderSettings& settings);
  // Everything `Choose` does before the modal loop. Tests call it and then
  // show().
  void Prepare(const config::ReaderSettings& settings);
  // The settings as the controls show them.
  config::ReaderSettings Shown() const;

  QSpinBox* autoBase;
  QSpinBox* autoPerChar;
  QCheckBox* skipStopsAtChoices;
  QCheckBox* skipUnread;
  QCheckBox* autoSaves;
  QCheckBox* scalingSmooth;
  QCheckBox* scalingFit;
  QCheckBox* reloadOnChange;
  // Speech and text out: the voice (the first entry: chosen by itself), the
  // rate, where the text goes, the file or pipe and the server's port.
  QComboBox* speechVoice;
  QSpinBox* speechRate;
  QComboBox* textOutTarget;
  QLineEdit* textOutPath;
  QSpinBox* textOutPort;
  // The voices the speech engine offers, listed before Prepare.
  void SetVoices(const QStringList& voices);
  QDialogButtonBox* buttons;
  // "ゲームパッド": what each button does, one list per button (object names
  // "padA", "padLB" …), listing the actions in the order of
  // config::PadAction.
  std::array<QComboBox*, static_cast<size_t>(PadButton::Count)> padActions{};

 private:
  config::ReaderSettings prepared_;
  // A titled group of rows, added below the groups made before it.
  QGroupBox* AddGroup(const QString& title);
  QSpinBox* AddTime(QGroupBox* group, const QString& caption, int highest, int step);
  QCheckBox* AddSwitch(QGroupBox* group, const QString& caption);
  // A control in a row of its own, named by a label whose letter moves to it.
  template <typename Control>
  Control* AddRow(QGroupBox* group, const QString& caption, Control* control);

  QVBoxLayout* groups_;
};

}  // namespace korvana
