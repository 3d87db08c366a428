#include "QtSpeech.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTextToSpeech>
#include <QVoice>

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
  return engineName_ != QStringLiteral("none") && !QTextToSpeech::availableEngines().isEmpty();
}

QTextToSpeech* QtSpeech::Engine() {
  if (tts_ || !EngineInstalled()) return tts_;
  const QString name =
      QTextToSpeech::availableEngines().contains(engineName_) ? engineName_ : QString();
  tts_ = new QTextToSpeech(name, this);
  connect(tts_, &QTextToSpeech::stateChanged, this, [this](QTextToSpeech::State) {
    if (changed) changed();
  });
  Configure(settings_);
  return tts_;
}

bool QtSpeech::SpeechAvailable(std::string& why) {
  QTextToSpeech* tts = Engine();
  if (!tts) {
    why = "音声合成エンジンがインストールされていません。";
    return false;
  }
  if (tts->state() == QTextToSpeech::Error) {
    why = ("音声合成エンジンが使えません: " + tts->errorString()).toStdString();
    return false;
  }
  return true;
}

void QtSpeech::Say(const std::string& text) {
  QTextToSpeech* tts = Engine();
  if (!tts || tts->state() == QTextToSpeech::Error) return;
  tts->stop();
  tts->say(QString::fromStdString(text));
}

void QtSpeech::StopSpeech() {
  if (tts_) tts_->stop();
}

bool QtSpeech::Speaking() {
  if (!tts_) return false;
  const QTextToSpeech::State state = tts_->state();
  return state == QTextToSpeech::Speaking;
}

void QtSpeech::ChooseVoice(const QString& name) {
  if (!tts_ || tts_->state() == QTextToSpeech::Error) return;
  // The engine lists the voices of its current language: each language is
  // looked through for the voice named.
  const QList<QLocale> locales = tts_->availableLocales();
  if (!name.isEmpty()) {
    for (const QLocale& locale : locales) {
      tts_->setLocale(locale);
      for (const QVoice& voice : tts_->availableVoices())
        if (voice.name() == name) return tts_->setVoice(voice);
    }
  }
  // No voice named (or it is gone): a Japanese one reads the text best.
  for (const QLocale& locale : locales) {
    if (locale.language() != QLocale::Japanese) continue;
    tts_->setLocale(locale);
    const QList<QVoice> voices = tts_->availableVoices();
    if (!voices.isEmpty()) tts_->setVoice(voices.first());
    return;
  }
}

void QtSpeech::Configure(const config::ReaderSettings& settings) {
  settings_ = settings;
  if (!tts_) return;
  ChooseVoice(QString::fromStdString(settings.speechVoice));
  tts_->setRate(settings.speechRate / 10.0);
}

QStringList QtSpeech::VoiceNames() {
  QStringList names;
  QTextToSpeech* tts = Engine();
  if (!tts || tts->state() == QTextToSpeech::Error) return names;
  const QLocale current = tts->locale();
  const QVoice chosen = tts->voice();
  for (const QLocale& locale : tts->availableLocales()) {
    tts->setLocale(locale);
    for (const QVoice& voice : tts->availableVoices())
      if (!names.contains(voice.name())) names << voice.name();
  }
  // Listing changed nothing the reader hears.
  tts->setLocale(current);
  tts->setVoice(chosen);
  return names;
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
