#include "Application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>
#include <stdexcept>

namespace korvana {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  InstallJapaneseTexts(*this);
}

Application* Application::Instance() {
  return qobject_cast<Application*>(QCoreApplication::instance());
}

bool InstallJapaneseTexts(QCoreApplication& app) {
  // The reader sees a Japanese program: dates in file dialogs and numbers in
  // Qt's widgets follow, not only the button texts.
  const QLocale japanese(QLocale::Japanese, QLocale::Japan);
  QLocale::setDefault(japanese);
  auto* translator = new QTranslator(&app);
  if (!translator->load(japanese, QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const EngineExit& exit) {
    if (onExit)
      onExit(exit);
    else
      QCoreApplication::exit(exit.code);
  } catch (const std::exception& e) {
    Report(e);
  } catch (...) {
    Report(std::runtime_error("不明な例外が発生しました"));
  }
  return true;
}

void Application::Report(const std::exception& error) {
  if (onError)
    onError(error);
  else
    QMessageBox::critical(nullptr, QStringLiteral("Korvana"), QString::fromUtf8(error.what()));
}

}  // namespace korvana
