#include "script/Startup.h"

#include <filesystem>

#include "config/DataDrive.h"
#include "config/InstallStore.h"
#include "platform/Cp932.h"

namespace korvana {

namespace {

config::ConfigReport BoxReport(Platform& platform) {
  return [&platform](const std::string& message) {
    platform.MessageBox(message, "", BoxButtons::Ok, BoxIcon::Exclamation);
  };
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
  if (!out.settings.StartFolder.empty()) std::filesystem::current_path(out.settings.StartFolder, ec);
  if (config::NeedsSaveFolderDialog(out.settings)) {
    std::string chosen;
    if (platform.SaveFolderDialog(chosen))
      out.settings.SavePath = config::SaveFolderFromChosenFile(chosen);
  }
  config::FindDataPath(out.settings, [&platform] { return platform.ListVolumes(); });
  return out;
}

EngineSettings EngineSettingsFrom(const config::Settings& settings) {
  EngineSettings out;
  out.debugMode = settings.DebugMode;
  out.backgroundDarkness = settings.BGDarkness;
  out.dataPath = settings.DataPath;
  return out;
}

void SaveAtExit(const Engine& engine, config::Settings& settings, Platform& platform) {
  settings.BGDarkness = engine.settings.backgroundDarkness;
  settings.HighSpeedText = engine.click.HighSpeedMode;
  settings.SkipText = engine.click.PageUnitMode;
  config::WriteUserSettings(settings, BoxReport(platform));
}

}  // namespace korvana
