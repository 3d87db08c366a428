#include "App.h"

#include <QApplication>
#include <QMessageBox>
#include <filesystem>

#include "Application.h"
#include "SingleInstance.h"
#include "core/FileResolver.h"
#include "script/Startup.h"

namespace korvana {

App::App(std::string gameFolder)
    : engine(platform.Doors(), flags, {}, gameFolder), gameFolder_(std::move(gameFolder)) {}

App::~App() {
  window.reset();
}

bool App::Open() {
  engine.Initialize();
  GamePreparation prepared = PrepareGame(platform.Doors(), gameFolder_);
  if (prepared.exitProgram) return false;
  settings = std::move(prepared.settings);
  engine.SetGameFolder(settings.StartFolder);
  engine.ApplySettings(EngineSettingsFrom(settings));
  window = std::make_unique<TFmain>(engine, platform, settings);
  window->show();
  window->StartStoryWhenShown();
  return true;
}

int RunDesktop(const std::string& gameDir) {
  int argc = 1;
  char name[] = "korvana";
  char* argv[] = {name, nullptr};
  Application app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Korvana"));
  // The desktop entry's name: Wayland shells match the window to the menu
  // entry and its icon by it (X11 ones by WM_CLASS "Korvana").
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.korvana.Korvana"));
  QApplication::setQuitOnLastWindowClosed(false);

  const std::optional<std::string> folder = AbsoluteFolder(gameDir);
  if (!folder) {
    QMessageBox::warning(
        nullptr, QStringLiteral("Korvana"),
        QStringLiteral("ゲームのフォルダーを開けません: ") + QString::fromStdString(gameDir));
    return 2;
  }
  SingleInstance guard;
  if (!guard.Acquire()) {
    QMessageBox::information(nullptr, QStringLiteral("Korvana"),
                             QStringLiteral("既に起動中です。"));
    return 0;
  }
  App game(*folder);
  if (!game.Open()) return 0;
  return QApplication::exec();
}

}  // namespace korvana
