#pragma once
// The parts of start-up and exit that every host shares: reading the
// configuration before the window shows, and writing back at a normal end.
#include <optional>
#include <string>

#include "config/ReaderSettings.h"
#include "config/Settings.h"
#include "platform/Platform.h"
#include "script/Engine.h"

namespace korvana {

// What a command line or a desktop launch names: a game folder, or a script
// in one (".txt" or ".txd" in any case), which the game then starts with.
struct GameLocation {
  std::string folder;       // UTF-8, absolute
  std::string startScript;  // CP932 file name in `folder`; empty: the usual choice
};
// Null when `path` (UTF-8) is neither a folder nor such a script.
std::optional<GameLocation> LocateGame(const std::string& path);

struct GamePreparation {
  // krv.cfg is missing: its message was shown; end with exit code 0.
  bool exitProgram = false;
  config::Settings settings;
};

// Reads krv.cfg and krv.ini of the game in `gameFolder` (problems are shown
// in message boxes), asks for the save folder when the settings want it and
// finds the data drive. The game then runs in `settings.StartFolder`.
GamePreparation PrepareGame(Platform platform, const std::string& gameFolder);

// What the engine takes from the game's settings and the reader's own.
EngineSettings EngineSettingsFrom(const config::Settings& settings,
                                  const config::ReaderSettings& reader = {});

// The reader's settings from their file; a damaged file is reported in a
// message box, as the game's configuration files are, and the defaults used.
config::ReaderSettings LoadReaderSettings(config::ReaderSettingsFile& file, Dialogs& dialogs);

// Exit with saving: an automatic save (when they are on), the user settings
// (with the menu states the player left) and, once they exist, the global
// flags and the read-text record.
void SaveAtExit(Engine& engine, config::Settings& settings, Dialogs& dialogs);

}  // namespace korvana
