#include "App.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>
#include <filesystem>

#include "Application.h"
#include "SingleInstance.h"
#include "config/ConfigFile.h"
#include "config/Settings.h"
#include "core/FileResolver.h"
#include "script/Startup.h"
#include "script/Warp.h"

namespace korvana {

App::App(std::string gameFolder, std::string startScript)
    : engine(platform.Doors(), flags, {}, gameFolder),
      gameFolder_(std::move(gameFolder)),
      startScript_(std::move(startScript)) {}

App::~App() {
  pads.reset();
  window.reset();
}

bool App::Open() {
  engine.Initialize();
  GamePreparation prepared = PrepareGame(platform.Doors(), gameFolder_);
  if (prepared.exitProgram) return false;
  settings = std::move(prepared.settings);
  engine.SetGameFolder(settings.StartFolder);
  EngineSettings engineSettings =
      EngineSettingsFrom(settings, LoadReaderSettings(readerFile, platform));
  engineSettings.startScript = startScript_;
  engine.ApplySettings(engineSettings);
  if (!PrepareStartPlace(engine, start.warp, start.flagsFile, refused)) return false;
  platform.ApplyReaderSettings(engine.Reader());
  window = std::make_unique<MainWindow>(engine, platform, settings, &readerFile);
  if (!textOutFile.empty()) {
    platform.textOut().UseFileForRun(textOutFile);
    engine.SetTextOut(true);
  }
  // A reader who listens left "読み上げ" on: it is on from the first page.
  if (engine.Reader().speechOn) engine.SetSpeech(true);
  window->show();
  pads = std::make_unique<PadControl>(*window, platform, [this] { return engine.Reader().pad; });
  // SDL's controller layer takes a few milliseconds to start: after the
  // first frame, not before it.
  window->beforeStory = [this] {
    pads->Start((std::filesystem::path(readerFile.Path()).parent_path() / "gamecontrollerdb.txt")
                    .string());
  };
  window->StartStoryWhenShown();
  return true;
}

namespace {

// A launch without a game, from a menu or a file manager, starts in a folder
// that holds none: the player picks the game's start script instead.
std::optional<GameLocation> GameToPlay(const std::string& game) {
  if (!game.empty()) return LocateGame(game);
  std::error_code ec;
  const std::string here = std::filesystem::current_path(ec).string();
  if (!ec && FileExists(config::FindInFolder(here, config::kGameConfigName)))
    return GameLocation{here, {}};
  const QString picked = ChooseScriptFile(nullptr, QString::fromStdString(here));
  if (picked.isEmpty()) return GameLocation{};
  return LocateGame(picked.toStdString());
}

}  // namespace

std::unique_ptr<QMessageBox> AlreadyRunningBox() {
  return std::make_unique<QMessageBox>(QMessageBox::NoIcon, QStringLiteral("Korvana"),
                                       QStringLiteral("既に起動中です。"), QMessageBox::Ok);
}

int RunDesktop(const std::string& named, const std::string& textOutFile,
               const StoryStart& start) {
  int argc = 1;
  char name[] = "korvana";
  char* argv[] = {name, nullptr};
  Application app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Korvana"));
  // The desktop entry's name: Wayland shells match the window to the menu
  // entry and its icon by it (X11 ones by WM_CLASS "Korvana").
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.korvana.Korvana"));
  QApplication::setQuitOnLastWindowClosed(false);

  SingleInstance guard;
  if (!guard.Acquire()) {
    AlreadyRunningBox()->exec();
    return 0;
  }
  const std::optional<GameLocation> location = GameToPlay(named);
  if (!location) {
    QMessageBox::warning(nullptr, QStringLiteral("Korvana"),
                         QStringLiteral("ゲームを開けません: ") + QString::fromStdString(named));
    return 2;
  }
  if (location->folder.empty()) return 0;  // the chooser was cancelled
  App game(location->folder, location->startScript);
  game.textOutFile = textOutFile;
  game.start = start;
  if (!game.Open()) {
    if (game.refused.empty()) return 0;
    std::fprintf(stderr, "korvana: %s\n", game.refused.c_str());
    return 2;
  }
  return QApplication::exec();
}

}  // namespace korvana
