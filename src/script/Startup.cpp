#include "script/Startup.h"

#include <unistd.h>

#include <filesystem>

#include "config/DataDrive.h"
#include "config/InstallStore.h"
#include "platform/Cp932.h"
#include "platform/FileResolver.h"

namespace korvana {

namespace {

config::ConfigReport BoxReport(Platform& platform) {
  return [&platform](const std::string& message) {
    platform.MessageBox(message, "", BoxButtons::Ok, BoxIcon::Exclamation);
  };
}

// Saves go to the save folder; say at once when they could not be written
// there, rather than when a save fails. The setting itself is kept: the
// folder may be a medium that is not mounted yet.
void CheckSaveFolder(const std::string& savePath, Platform& platform) {
  if (savePath.empty()) return;
  // The folder part of the prefix ("save\" or "C:\games\x\").
  std::string folder = savePath;
  while (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder.pop_back();
  const std::string resolved = folder.empty() ? "." : ResolvePath(folder);
  if (::access(resolved.c_str(), W_OK | X_OK) != 0) {
    platform.MessageBox(J("セーブフォルダーに書き込めません：") + savePath, "", BoxButtons::Ok,
                        BoxIcon::Exclamation);
  }
}

}  // namespace

GamePreparation PrepareGame(Platform& platform) {
  GamePreparation out;
  const config::InstallStore store(platform.InstallStorePath());
  std::error_code ec;
  config::ConfigLocation location{std::filesystem::current_path(ec).string(), &store};
  config::ConfigReadResult read = config::ReadConfiguration(location, BoxReport(platform));
  if (read.exitProgram) {
    out.exitProgram = true;
    return out;
  }
  out.settings = std::move(read.settings);
  if (!out.settings.StartFolder.empty())
    std::filesystem::current_path(out.settings.StartFolder, ec);
  if (config::NeedsSaveFolderDialog(out.settings)) {
    std::string chosen;
    if (platform.SaveFolderDialog(chosen))
      out.settings.SavePath = config::SaveFolderFromChosenFile(chosen);
  }
  config::FindDataPath(out.settings, [&platform] { return platform.ListVolumes(); });
  CheckSaveFolder(out.settings.SavePath, platform);
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
  out.textMaxIndex = settings.TextMaxIndex;
  out.highSpeedText = settings.HighSpeedText;
  out.pageUnitText = settings.SkipText;
  return out;
}

void SaveAtExit(const Engine& engine, config::Settings& settings, Platform& platform) {
  settings.BGDarkness = engine.settings.backgroundDarkness;
  settings.HighSpeedText = engine.click.HighSpeedMode;
  settings.SkipText = engine.click.PageUnitMode;
  config::WriteUserSettings(settings, BoxReport(platform));
}

}  // namespace korvana
