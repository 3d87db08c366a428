#include "script/Startup.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
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
// there, rather than when a save fails. A folder that is there but cannot be
// written (the game's own, on a disc or in a system folder) is offered the
// player's folder instead. A folder that is not there keeps the setting: it
// may be on a medium that is not mounted yet.
void CheckSaveFolder(config::Settings& s, Machine& machine, Dialogs& dialogs) {
  // The folder part of the prefix ("save\" or "C:\games\x\").
  std::string folder = s.SavePath;
  while (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder.pop_back();
  const std::string resolved = GameFiles(s.StartFolder).Resolve(folder.empty() ? "." : folder);
  if (machine.CanWrite(resolved)) return;
  std::error_code ec;
  const bool there = std::filesystem::is_directory(resolved, ec);
  // A folder that is there is named itself (a relative setting such as ".\"
  // tells a player nothing); a missing one as the setting spells it.
  const std::string shown =
      there || s.SavePath.empty()
          ? cp932::FromUtf8(std::filesystem::absolute(resolved, ec).lexically_normal().string())
          : s.SavePath;
  const std::string home = machine.UserDataHome();
  const std::string own = s.UserFolder.empty() && !home.empty()
                              ? config::UserFolderFor(home, s.StartFolder)
                              : s.UserFolder;
  // Save file names are Shift-JIS: a folder whose name it cannot spell
  // (an accented letter in the home folder) cannot hold the saves.
  bool spelled = true;
  const std::string offered = cp932::FromUtf8(own, &spelled) + "/";
  // Nothing is made before the player says yes: the folder that could be
  // made is judged by the nearest folder above it that is there.
  std::filesystem::path existing = own;
  while (!existing.empty() && !std::filesystem::exists(existing, ec) &&
         existing != existing.parent_path())
    existing = existing.parent_path();
  const bool canMake = !own.empty() && spelled && !existing.empty() &&
                       std::filesystem::is_directory(existing, ec) &&
                       machine.CanWrite(existing.string());
  auto warn = [&] {
    dialogs.MessageBox(J("セーブフォルダーに書き込めません：") + shown, "", BoxButtons::Ok,
                       BoxIcon::Exclamation);
  };
  if (!there || !canMake) {
    warn();
    return;
  }
  if (dialogs.MessageBox(J("セーブフォルダーに書き込めません：") + shown +
                             J("\nセーブデータを次のフォルダーに保存しますか？\n") + offered,
                         "", BoxButtons::YesNo, BoxIcon::Question) != BoxAnswer::Yes)
    return;
  if ((std::filesystem::create_directories(own, ec), ec) || !machine.CanWrite(own)) {
    warn();
    return;
  }
  s.SavePath = offered;
}

}  // namespace

std::optional<GameLocation> LocateGame(const std::string& path) {
  if (std::optional<std::string> folder = AbsoluteFolder(path)) return GameLocation{*folder, {}};
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::path file = fs::absolute(path, ec).lexically_normal();
  if (ec || !fs::is_regular_file(file, ec)) return std::nullopt;
  std::string ext = file.extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext != ".txt" && ext != ".txd") return std::nullopt;
  return GameLocation{file.parent_path().string(), cp932::FromUtf8(file.filename().string())};
}

GamePreparation PrepareGame(Platform platform, const std::string& gameFolder) {
  GamePreparation out;
  const config::InstallStore store(platform.machine.InstallStorePath());
  std::error_code ec;
  const std::string folder =
      gameFolder.empty() ? std::filesystem::current_path(ec).string() : gameFolder;
  Machine& machine = platform.machine;
  config::ConfigLocation location{folder, &store, machine.UserDataHome(),
                                  [&machine](const std::string& f) { return machine.CanWrite(f); }};
  config::ConfigReadResult read = config::ReadConfiguration(location, BoxReport(platform.dialogs));
  if (read.exitProgram) {
    out.exitProgram = true;
    return out;
  }
  out.settings = std::move(read.settings);
  if (out.settings.StartFolder.empty()) out.settings.StartFolder = folder;
  if (config::NeedsSaveFolderDialog(out.settings)) {
    // Opened where the saves can go: the player's folder when the game's
    // cannot be written.
    std::string chosen;
    if (!out.settings.UserFolder.empty()) {
      std::filesystem::create_directories(out.settings.UserFolder, ec);
      chosen = cp932::FromUtf8(out.settings.UserFolder + "/data0.hfd");
    }
    if (platform.dialogs.SaveFolderDialog(chosen))
      out.settings.SavePath = config::SaveFolderFromChosenFile(chosen);
  }
  config::FindDataPath(out.settings, [&machine] { return machine.ListVolumes(); });
  CheckSaveFolder(out.settings, machine, platform.dialogs);
  return out;
}

EngineSettings EngineSettingsFrom(const config::Settings& settings,
                                  const config::ReaderSettings& reader) {
  EngineSettings out;
  out.reader = reader;
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

config::ReaderSettings LoadReaderSettings(config::ReaderSettingsFile& file, Dialogs& dialogs) {
  const config::ConfigReport report = BoxReport(dialogs);
  // The file's own message names paths as the system spells them (UTF-8).
  return file.Load([&report](const std::string& message) { report(cp932::FromUtf8(message)); });
}

void SaveAtExit(Engine& engine, config::Settings& settings, Dialogs& dialogs) {
  engine.AutoSave();
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
