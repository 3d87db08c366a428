#pragma once
// The parts of start-up and exit that every host shares: reading the
// configuration before the window shows, and writing back at a normal end.
#include "config/Settings.h"
#include "platform/Platform.h"
#include "script/Engine.h"

namespace korvana {

struct GamePreparation {
  // krv.cfg is missing: its message was shown; end with exit code 0.
  bool exitProgram = false;
  config::Settings settings;
};

// Reads krv.cfg and krv.ini (problems are shown in message boxes), makes the
// start folder the current directory and finds the data drive.
GamePreparation PrepareGame(Platform& platform);

// What the engine takes from the settings.
EngineSettings EngineSettingsFrom(const config::Settings& settings);

// Exit with saving: the user settings (with the menu states the player left)
// and, once they exist, the global flags and the read-text record.
void SaveAtExit(const Engine& engine, config::Settings& settings, Platform& platform);

}  // namespace korvana
