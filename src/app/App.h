#pragma once
// One game in the desktop program: platform, flags, engine, settings and the
// window, brought up in the order of start-up.
#include <QMessageBox>
#include <memory>
#include <string>

#include "MainWindow.h"
#include "PadControl.h"
#include "QtPlatform.h"
#include "config/ReaderSettings.h"
#include "config/Settings.h"
#include "expr/FlagStore.h"
#include "script/Engine.h"

namespace korvana {

// `--warp PLACE` and `--flags FILE`: where the story starts and the flags
// it starts with; empty: as the game starts.
struct StoryStart {
  std::string warp, flagsFile;
};

class App {
 public:
  // `gameFolder`: the game's folder (UTF-8); empty for the current folder.
  // `startScript`: the script it starts with (CP932); empty for the usual.
  explicit App(std::string gameFolder = {}, std::string startScript = {});
  ~App();

  // Creates the window for the game: the script key, every flag "0", the
  // configuration (which may move the game to its start folder), the data
  // drive and the reader's settings, then shows the window and schedules the story for the first
  // idle moment. Returns false when the program is to end at once (krv.cfg
  // missing; its message has been shown; or `start` refused).
  bool Open();

  QtPlatform platform;
  FlagStore flags;
  Engine engine;
  config::Settings settings;
  // The reader's own settings, shared by every game; tests point it
  // elsewhere before Open().
  config::ReaderSettingsFile readerFile{config::DefaultReaderSettingsPath()};
  std::unique_ptr<MainWindow> window;
  // `--text-out PATH`: text out is on from the start, to this file or pipe.
  std::string textOutFile;
  // The game controllers, started with the window. Extra mappings for pads
  // SDL does not know are read from "gamecontrollerdb.txt" beside the
  // reader's settings file.
  std::unique_ptr<PadControl> pads;
  // Where the story starts; Open() refuses a place or flags file it cannot
  // take, saying why in `refused`.
  StoryStart start;
  std::string refused;

 private:
  std::string gameFolder_;
  std::string startScript_;
};

// The box a second copy shows before it ends: "既に起動中です。", plain.
std::unique_ptr<QMessageBox> AlreadyRunningBox();

// The whole desktop program after argument parsing: single instance, game
// (`game`: a folder or a script in one, UTF-8; empty: the game in the current
// folder, else the one the player picks), window, event loop. Returns the
// exit status.
int RunDesktop(const std::string& game, const std::string& textOutFile = {},
               const StoryStart& start = {});

}  // namespace korvana
