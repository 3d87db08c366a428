#pragma once
// The window's speech: Qt's text-to-speech over the system's engine
// (speech-dispatcher), a Japanese voice when one is installed, reached
// through the speech module (SpeechDoor.h) loaded when speech is first
// needed. While the reader has speech on, the control that takes the focus
// in any dialog is spoken too, so that the dialogs can be used by ear.
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

#include "SpeechDoor.h"
#include "config/ReaderSettings.h"
#include "platform/Speech.h"

class QWidget;

class QAction;
class QMenu;

namespace korvana {

class QtSpeech : public QObject, public Speech {
  Q_OBJECT

 public:
  // `engine`: the text-to-speech engine to ask for ("speechd"); one that is
  // not installed falls back to Qt's default.
  explicit QtSpeech(QString engine = QStringLiteral("speechd"), QObject* parent = nullptr);
  ~QtSpeech() override;

  bool SpeechAvailable(std::string& why) override;
  void Say(const std::string& text) override;
  void StopSpeech() override;
  bool Speaking() override;

  // The voice and rate of the reader's settings.
  void Configure(const config::ReaderSettings& settings);
  // Whether any text-to-speech engine is installed at all (the module is
  // not loaded to know it).
  bool EngineInstalled() const;
  // The voices the engine offers, by name, for the settings dialog.
  QStringList VoiceNames();
  // What is spoken when `widget` takes the focus: its accessible name, else
  // its text or label, with its state where it has one.
  static QString FocusText(const QWidget* widget);
  // What is read of a menu item as the highlight reaches it: its caption,
  // whether it is on (a checkable one) and whether it can be chosen.
  static QString ItemText(const QAction* action);
  // Reads the items of `menu` and its submenus as the highlight reaches
  // them, while speech is on: a menu item never takes the focus.
  void FollowMenu(QMenu* menu);

  // Whether the reader has speech on (the dialogs' focus is spoken then).
  std::function<bool()> enabled;
  // Speech started or ended: the story's pump wakes on this, so a wait
  // for the end (auto mode) sees it at once.
  std::function<void()> changed;
  // Where the speech module comes from: a test gives it a door of its own.
  std::function<const speech::Door*(std::string& why)> door = speech::OpenDoor;

 private:
  void FocusChanged(QWidget* old, QWidget* now);
  // The engine is made on first use: a window that never speaks never loads
  // the module nor starts the system's speech service. Null when there is
  // no engine or the module cannot be loaded.
  speech::Voice* Engine();

  QString engineName_;
  config::ReaderSettings settings_;
  std::unique_ptr<speech::Voice> tts_;
  // Asked once: no door, or no engine behind it, stays so.
  bool looked_ = false;
};

}  // namespace korvana
