#pragma once
// The program's QApplication: Qt's own buttons and dialogs speak Japanese
// whatever the system language, and every event passes the application's
// error handler, so that nothing thrown in a window handler ends as a crash.
#include <QApplication>
#include <exception>
#include <functional>

#include "core/Errors.h"

namespace korvana {

class Application : public QApplication {
  Q_OBJECT

 public:
  Application(int& argc, char** argv);

  // The running program's instance; null when the program made a plain
  // QApplication.
  static Application* Instance();

  // Delivers the event; an exception that escapes its handler goes to
  // `onError` (or `onExit` for an engine exit) instead of unwinding further.
  bool notify(QObject* receiver, QEvent* event) override;

  // The main window's handler: shows the error and passes it on to the
  // script error report. Unset: a plain box.
  std::function<void(const std::exception& error)> onError;
  // The engine asked to end while a handler ran. Unset: the event loop ends
  // with its code.
  std::function<void(const EngineExit& exit)> onExit;

 private:
  void Report(const std::exception& error);
};

// Loads Qt's Japanese catalogue into `app`; false when it is not installed
// (the texts then stay English).
bool InstallJapaneseTexts(QCoreApplication& app);

}  // namespace korvana
