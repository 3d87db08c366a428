#pragma once
// The parts of start-up and exit that every host shares: reading the
// configuration before the window shows, and writing back at a normal end.
#include <string>

#include "config/Settings.h"
#include "platform/Platform.h"
#include "script/Engine.h"

namespace korvana {

struct GamePreparation {
  // krv.cfg is missing: its message was shown; end with exit code 0.
  bool exitProgram = false;
  config::Settings settings;
};

// Reads krv.cfg and krv.ini of the game in `gameFolder` (problems are shown
// in message boxes), asks for the save folder when the settings want it and
// finds the data drive. The game then runs in `settings.StartFolder`.
GamePreparation PrepareGame(Platform platform, const std::string& gameFolder);

// What the engine takes from the settings.
EngineSettings EngineSettingsFrom(const config::Settings& settings);

// Exit with saving: the user settings (with the menu states the player left)
// and, once they exist, the global flags and the read-text record.
void SaveAtExit(const Engine& engine, config::Settings& settings, Dialogs& dialogs);

}  // namespace korvana
