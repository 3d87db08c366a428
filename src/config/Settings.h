#pragma once
// The game configuration krv.cfg and the user settings krv.ini —
// every key, its type and default, the order of reading, and the file that is
// written back at a normal end.
//
// Texts are CP932 bytes as the engine keeps them; folder paths of this file
// system (StartFolder, InstallFolder) are UTF-8.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/ConfigFile.h"
#include "core/FontSlots.h"

namespace korvana::config {

class InstallStore;

inline constexpr std::string_view kGameConfigName = "krv.cfg";
inline constexpr std::string_view kUserSettingsName = "krv.ini";
// The first line of krv.ini: the number 1.42 with two decimals (written as a
// literal so that no locale can turn it into "1,42").
inline constexpr std::string_view kSettingsVersionLine = "Version=1.42";
// TextMaxIndex is the size in bytes of the read-text record; larger values
// are reported and lowered to this (128 Mi text ids).
inline constexpr int kMaxTextMaxIndex = 16 * 1024 * 1024;

// "設定ファイルkrv.cfgが見つかりません" (CP932): the message before ending the
// program with exit code 0 when krv.cfg is missing.
std::string MissingGameConfigMessage();

// The font table's initial names: "ＭＳ ゴシック" for slots 0 to 3, "Marlett",
// "Symbol", "Wingdings" for slots 4 to 6 (CP932).
FontSlots InitialFontTable();
// "テキストフォント１", "テキストフォント２", "テキストフォント３", "ルビフォント".
std::array<std::string, kPlayerFontSlotCount> DefaultCommentFonts();
// "ＭＳ ゴシック": what an empty Font0 to Font3 in krv.ini stands for.
std::string DefaultMessageFont();

// Everything both files give, under their key names, plus the start-up state
// that reading them decides. Defaults are those of a run without
// krv.cfg keys and without krv.ini.
struct Settings {
  // --- krv.cfg -------------------------------------------------------------
  std::string ProgramID;
  int DarknessRate = 32;  // 0 to 256
  // Comma-separated candidate face lists for font slots 0 to 6. Slots 0 to 3
  // are read only when krv.ini does not exist. See ResolveFontCandidates.
  FontSlots DefaultFont;
  std::array<std::string, kPlayerFontSlotCount> CommentFont = DefaultCommentFonts();
  std::string Icon;
  std::string BackGround;
  std::string Tile;
  std::string Version;  // picture of the version dialog
  std::string MenuClickSound;
  // Emptied when ForceDataDrivePath is given (no drive search then).
  std::string DataDriveLabel;
  // Size in bytes of the read-text record; nothing when not configured (then
  // `Mskipout` stays disabled and textid.dat is neither read nor written).
  std::optional<int> TextMaxIndex;
  std::string ForceDataDrivePath;
  int BGHideMode = 0;
  int TextHideMode = 0;
  bool GlobalFlagSave = true;  // only the value "0" turns it off
  int MP3Timing = 5;

  // --- krv.ini (BGDarkness and SavePath also from krv.cfg) ------------------
  bool BGDarkness = false;     // check mark of `Mdarkness`
  std::string SavePath;        // prefix of save file names; see NeedsSaveFolderDialog
  bool EnableMusic = true;     // `Kmusic`
  bool EnableSound = true;     // `Ksound`
  bool HighSpeedText = false;  // `Ktxtwait`
  bool SkipText = false;       // `Ktxtskip`
  // Face names of slots 0 to 6; krv.ini's Font0 to Font3 fill slots 0 to 3.
  FontSlots FontTable = InitialFontTable();
  bool DebugMode = false;       // DebugMode=on exactly
  bool EnableAllDrive = false;  // EnableAllDrive=on exactly

  // --- start-up state ----------------------------------------------------
  bool UserSettingsRead = false;  // krv.ini existed and was read
  // krv.ini existed as a file but could not be read: it is kept as
  // krv.ini.bak before a new one is written, so the reader's settings are
  // never lost to the defaults.
  bool UserSettingsUnreadable = false;
  std::string InstallFolder;  // UTF-8; from the installation folder store
  // UTF-8: the folder krv.ini was read from and is written to; the engine
  // makes it the current directory.
  std::string StartFolder;
  // UTF-8: set when the start folder cannot be written. krv.ini is written
  // here (and read from here once it exists), and saves are offered a place
  // here; see UserFolderFor.
  std::string UserFolder;
  // What "%DATA_DRIVE%" stands for (CP932): ForceDataDrivePath, or the root
  // the drive search found (ending with "/"), or empty.
  std::string DataPath;

  bool operator==(const Settings&) const = default;
};

struct ConfigLocation {
  // UTF-8 folder holding krv.cfg: the current directory at start ("" = ".").
  std::string currentDir;
  // The installation folder store; null means none.
  const InstallStore* installStore = nullptr;
  // Where per-user data lives ($XDG_DATA_HOME); empty: the player's files
  // stay in the game folder even when it cannot be written.
  std::string userDataHome;
  // Whether a folder can be written; null: by its permissions.
  std::function<bool(const std::string& folder)> canWrite;
};

struct ConfigReadResult {
  // krv.cfg is missing: MissingGameConfigMessage() was reported; end the
  // program with exit code 0 without reading anything else.
  bool exitProgram = false;
  Settings settings;
  // The keys asked of each file, in the order read: what the program
  // understands, listed for authors by the script tool.
  std::vector<std::string> gameConfigKeys, userSettingsKeys;
};

// Reading the configuration: krv.cfg, the installation
// folder, the start folder, krv.ini or the krv.cfg fallbacks, then the rest of
// krv.cfg in its fixed order. It changes no process state: the caller makes
// `StartFolder` the current directory. Problems are reported through `report`,
// at most one message per file, and never abort:
//  - krv.ini that is binary, too large or unreadable: reported, then read as if
//    it did not exist; at the next normal end it is kept as krv.ini.bak and a
//    new one written;
//  - a krv.ini numeric key (BGDarkness, EnableMusic, EnableSound, HighSpeedText,
//    SkipText) missing or not a number: reported, and the value a run without
//    krv.ini would have is used (BGDarkness from krv.cfg when it gives one);
//  - a krv.cfg numeric key that is not a number: reported, default used (an
//    empty one takes the default silently, as the key's default says);
//  - DarknessRate outside 0..256 and TextMaxIndex below 0 or above
//    kMaxTextMaxIndex: reported and clamped (a negative TextMaxIndex: unused);
//  - an installation folder that is not a folder: reported, not applied.
// The save folder dialog and applying MP3Timing come after, and are the
// caller's.
ConfigReadResult ReadConfiguration(const ConfigLocation& location, const ConfigReport& report);

// The save folder dialog is due: the save folder is still empty after reading.
inline bool NeedsSaveFolderDialog(const Settings& s) {
  return s.SavePath.empty();
}
// The folder part of the file name chosen in the save folder dialog, with its
// trailing separator ("/" or "\"), CP932; empty when the name has no folder.
std::string SaveFolderFromChosenFile(std::string_view cp932FileName);

// "Resolve font candidates": for each slot whose DefaultFont list is not
// empty, the first comma-separated name (surrounding blanks dropped) that
// `isInstalled` accepts replaces the slot's face name.
void ResolveFontCandidates(Settings& settings,
                           const std::function<bool(std::string_view face)>& isInstalled);
// The same with the list of installed faces (CP932), compared without regard
// to ASCII letter case.
void ResolveFontCandidates(Settings& settings, const std::vector<std::string>& installedFaces);

// The bytes of krv.ini: "Version=1.42", "[Display]", BGDarkness, "[System]",
// SavePath, EnableMusic, EnableSound, HighSpeedText, SkipText, "DebugMode=on"
// and "EnableAllDrive=on" only when on, "[Font]", Font0 to Font3; CP932, every
// line ending in CR LF. CR and LF inside a value are dropped so that a value
// can never add a line.
std::string BuildUserSettingsText(const Settings& settings);

// Where krv.ini is written: StartFolder/krv.ini, or UserFolder/krv.ini when
// that is set (an existing "KRV.INI" or other spelling of the name is reused).
std::string UserSettingsPath(const Settings& settings);
// Where it is read: as above, except that a UserFolder without its own copy
// yet reads the one that came with the game.
std::string UserSettingsReadPath(const Settings& settings);
// The player's folder for a game: USER_DATA_HOME/korvana/<game folder's name>.
std::string UserFolderFor(const std::string& userDataHome, const std::string& gameFolder);

// "Write user settings": writes BuildUserSettingsText to UserSettingsPath
// through a temporary file that replaces the old one, so a crash never leaves
// a half-written krv.ini. On failure reports it and returns false.
bool WriteUserSettings(const Settings& settings, const ConfigReport& report);

}  // namespace korvana::config
