#include "QtSpeech.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QSpinBox>

namespace korvana {

QtSpeech::QtSpeech(QString engine, QObject* parent)
    : QObject(parent), engineName_(std::move(engine)) {
  // Another engine by name, or "none" for a window that must never speak
  // (the tests of the shell, which must not start the speech service).
  if (qEnvironmentVariableIsSet("KORVANA_SPEECH_ENGINE"))
    engineName_ = qEnvironmentVariable("KORVANA_SPEECH_ENGINE");
  connect(qApp, &QApplication::focusChanged, this, &QtSpeech::FocusChanged);
}

QtSpeech::~QtSpeech() = default;

bool QtSpeech::EngineInstalled() const {
  return engineName_ != QStringLiteral("none") && speech::EnginePluginInstalled();
}

speech::Voice* QtSpeech::Engine() {
  if (tts_ || looked_ || !EngineInstalled()) return tts_.get();
  looked_ = true;
  std::string why;
  const speech::Door* module = door ? door(why) : nullptr;
  if (!module) return nullptr;
  const QStringList engines = module->engines();
  if (engines.isEmpty()) return nullptr;
  tts_ = module->openVoice(engines.contains(engineName_) ? engineName_ : QString(), [this] {
    if (changed) changed();
  });
  Configure(settings_);
  return tts_.get();
}

bool QtSpeech::SpeechAvailable(std::string& why) {
  speech::Voice* tts = Engine();
  if (!tts) {
    why = "音声合成エンジンがインストールされていません。";
    return false;
  }
  if (const QString error = tts->Error(); !error.isEmpty()) {
    why = ("音声合成エンジンが使えません: " + error).toStdString();
    return false;
  }
  return true;
}

void QtSpeech::Say(const std::string& text) {
  speech::Voice* tts = Engine();
  if (!tts || !tts->Error().isEmpty()) return;
  tts->Say(QString::fromStdString(text));
}

void QtSpeech::StopSpeech() {
  if (tts_) tts_->Stop();
}

bool QtSpeech::Speaking() {
  return tts_ && tts_->Speaking();
}

void QtSpeech::Configure(const config::ReaderSettings& settings) {
  settings_ = settings;
  if (!tts_ || !tts_->Error().isEmpty()) return;
  tts_->Choose(QString::fromStdString(settings.speechVoice), settings.speechRate / 10.0);
}

QStringList QtSpeech::VoiceNames() {
  speech::Voice* tts = Engine();
  if (!tts || !tts->Error().isEmpty()) return {};
  return tts->VoiceNames();
}

QString QtSpeech::FocusText(const QWidget* widget) {
  if (!widget) return {};
  QString text = widget->accessibleName();
  QString state;
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
    if (text.isEmpty()) text = button->text();
    if (button->isCheckable())
      state = button->isChecked() ? QStringLiteral("オン") : QStringLiteral("オフ");
  } else if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
    state = combo->currentText();
  } else if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(widget)) {
    state = spin->text();
  } else if (const auto* line = qobject_cast<const QLineEdit*>(widget)) {
    state = line->text();
  }
  // A box with no name of its own is named by the label that points to it.
  if (text.isEmpty() && widget->parentWidget()) {
    for (const QLabel* label : widget->parentWidget()->findChildren<QLabel*>())
      if (label->buddy() == widget) text = label->text();
  }
  if (text.isEmpty()) text = widget->toolTip();
  // The underlined letter's mark is not read.
  text.remove(QRegularExpression(QStringLiteral("\\(&.\\)|&(?=.)")));
  if (!state.isEmpty()) text = text.isEmpty() ? state : text + QStringLiteral(" ") + state;
  return text.trimmed();
}

QString QtSpeech::ItemText(const QAction* action) {
  if (!action) return {};
  QString text = action->text();
  text.remove(QRegularExpression(QStringLiteral("\\(&.\\)|&(?=.)")));
  if (action->menu()) text += QStringLiteral(" メニュー");
  if (action->isCheckable())
    text += action->isChecked() ? QStringLiteral(" オン") : QStringLiteral(" オフ");
  if (!action->isEnabled()) text += QStringLiteral(" 使えません");
  return text.trimmed();
}

void QtSpeech::FollowMenu(QMenu* menu) {
  QList<QMenu*> menus = menu->findChildren<QMenu*>();
  menus.prepend(menu);
  for (QMenu* m : menus)
    connect(m, &QMenu::hovered, this, [this](QAction* action) {
      if (!enabled || !enabled() || action->isSeparator()) return;
      const QString text = ItemText(action);
      if (!text.isEmpty()) Say(text.toStdString());
    });
}

void QtSpeech::FocusChanged(QWidget*, QWidget* now) {
  if (!now || !enabled || !enabled()) return;
  const QString text = FocusText(now);
  if (!text.isEmpty()) Say(text.toStdString());
}

}  // namespace korvana
