#include "script/Startup.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "config/DataDrive.h"
#include "config/InstallStore.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"

namespace korvana {

namespace {

config::ConfigReport BoxReport(Dialogs& dialogs) {
  return [&dialogs](const std::string& message) {
    dialogs.MessageBox(message, "", BoxButtons::Ok, BoxIcon::Exclamation);
  };
}

// Saves go to the save folder; say at once when they could not be written
// there, rather than when a save fails. The setting itself is kept: the
// folder may be a medium that is not mounted yet.
void CheckSaveFolder(const std::string& savePath, const GameFiles& files, Dialogs& dialogs) {
  if (savePath.empty()) return;
  // The folder part of the prefix ("save\" or "C:\games\x\").
  std::string folder = savePath;
  while (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder.pop_back();
  const std::string resolved = files.Resolve(folder.empty() ? "." : folder);
  if (::access(resolved.c_str(), W_OK | X_OK) != 0) {
    dialogs.MessageBox(J("セーブフォルダーに書き込めません：") + savePath, "", BoxButtons::Ok,
                       BoxIcon::Exclamation);
  }
}

}  // namespace

GamePreparation PrepareGame(Platform platform, const std::string& gameFolder) {
  GamePreparation out;
  const config::InstallStore store(platform.machine.InstallStorePath());
  std::error_code ec;
  const std::string folder =
      gameFolder.empty() ? std::filesystem::current_path(ec).string() : gameFolder;
  config::ConfigLocation location{folder, &store};
  config::ConfigReadResult read = config::ReadConfiguration(location, BoxReport(platform.dialogs));
  if (read.exitProgram) {
    out.exitProgram = true;
    return out;
  }
  out.settings = std::move(read.settings);
  if (out.settings.StartFolder.empty()) out.settings.StartFolder = folder;
  if (config::NeedsSaveFolderDialog(out.settings)) {
    std::string chosen;
    if (platform.dialogs.SaveFolderDialog(chosen))
      out.settings.SavePath = config::SaveFolderFromChosenFile(chosen);
  }
  Machine& machine = platform.machine;
  config::FindDataPath(out.settings, [&machine] { return machine.ListVolumes(); });
  CheckSaveFolder(out.settings.SavePath, GameFiles(out.settings.StartFolder), platform.dialogs);
  return out;
}

EngineSettings EngineSettingsFrom(const config::Settings& settings) {
  EngineSettings out;
  out.debugMode = settings.DebugMode;
  out.backgroundDarkness = settings.BGDarkness;
  out.dataPath = settings.DataPath;
  out.darknessRate = settings.DarknessRate;
  out.textHideMode = settings.TextHideMode;
  out.fontTable = settings.FontTable;
  out.defaultFont = settings.DefaultFont;
  out.icon = settings.Icon;
  out.tile = settings.Tile;
  out.background = settings.BackGround;
  out.menuClickSound = settings.MenuClickSound;
  out.savePath = settings.SavePath;
  out.globalFlagSave = settings.GlobalFlagSave;
  out.textMaxIndex = settings.TextMaxIndex;
  out.highSpeedText = settings.HighSpeedText;
  out.pageUnitText = settings.SkipText;
  out.enableMusic = settings.EnableMusic;
  out.enableSound = settings.EnableSound;
  out.mp3Timing = settings.MP3Timing;
  out.commentFont = settings.CommentFont;
  out.version = settings.Version;
  out.programId = settings.ProgramID;
  out.installFolder = settings.InstallFolder;
  out.startFolder = settings.StartFolder;
  return out;
}

void SaveAtExit(const Engine& engine, config::Settings& settings, Dialogs& dialogs) {
  const PlayerChoices choices = engine.Choices();
  settings.BGDarkness = choices.backgroundDarkness;
  settings.HighSpeedText = choices.highSpeedText;
  settings.SkipText = choices.pageUnitText;
  settings.EnableMusic = choices.enableMusic;
  settings.EnableSound = choices.enableSound;
  // The faces the game ran with, not the names configured before them.
  std::copy(choices.fonts.begin(), choices.fonts.end(), settings.FontTable.begin());
  config::WriteUserSettings(settings, BoxReport(dialogs));
  engine.SaveGlobalData();
}

}  // namespace korvana
