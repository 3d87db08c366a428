#include "config/Settings.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "config/InstallStore.h"
#include "core/Cp932.h"
#include "core/FileResolver.h"
#include "core/FileWriting.h"

namespace korvana::config {

std::string MissingGameConfigMessage() {
  return J("設定ファイルkrv.cfgが見つかりません");
}

std::string DefaultMessageFont() {
  return J("ＭＳ ゴシック");
}

FontSlots InitialFontTable() {
  std::string gothic = DefaultMessageFont();
  return {gothic, gothic, gothic, gothic, "Marlett", "Symbol", "Wingdings"};
}

std::array<std::string, kPlayerFontSlotCount> DefaultCommentFonts() {
  return {J("テキストフォント１"), J("テキストフォント２"), J("テキストフォント３"),
          J("ルビフォント")};
}

namespace {

// Reads the typed keys of one file and collects what could not be used.
class KeyReader {
 public:
  KeyReader(const ConfigFile& file, std::vector<std::string>& problems,
            std::vector<std::string>* asked = nullptr)
      : file_(file), problems_(problems), asked_(asked) {}

  std::string Text(std::string_view key) const {
    Asked(key);
    return file_.Value(key);
  }

  // A decimal integer. An empty or missing value gives `fallback`, reported
  // only when `emptyIsError`; a value that is not a number is always reported.
  int Int(std::string_view key, int fallback, bool emptyIsError) {
    Asked(key);
    std::optional<std::string> raw = file_.Find(key);
    if (!raw || raw->empty()) {
      if (emptyIsError)
        problems_.push_back(std::string(key) +
                            (raw ? J("：値がありません") : J("：項目がありません")) +
                            J(" → 既定値 ") + std::to_string(fallback));
      return fallback;
    }
    if (auto v = ParseDecimal(*raw)) return *v;
    problems_.push_back(std::string(key) + "=" + QuoteForReport(*raw) +
                        J("：数値ではありません → 既定値 ") + std::to_string(fallback));
    return fallback;
  }

  // Flag 0/1: an integer where non-zero means on.
  bool Flag(std::string_view key, bool fallback, bool emptyIsError) {
    return Int(key, fallback ? 1 : 0, emptyIsError) != 0;
  }

  // On: exactly "on", compared with letter case.
  bool On(std::string_view key) const { return Text(key) == "on"; }

  void Problem(std::string text) { problems_.push_back(std::move(text)); }

 private:
  void Asked(std::string_view key) const {
    if (asked_ && std::find(asked_->begin(), asked_->end(), key) == asked_->end())
      asked_->emplace_back(key);
  }

  const ConfigFile& file_;
  std::vector<std::string>& problems_;
  std::vector<std::string>* asked_;
};

// One message per file: a heading and one line per problem.
void ReportProblems(std::string_view fileName, const std::vector<std::string>& problems,
                    const ConfigReport& report) {
  if (problems.empty() || !report) return;
  std::string message =
      J("設定ファイル") + std::string(fileName) + J("に使えない内容があります。既定値で続けます。");
  for (const auto& p : problems) message += "\n" + p;
  report(message);
}

std::string FileLevelMessage(std::string_view fileName, LoadStatus status) {
  if (status == LoadStatus::NotText)
    return J("設定ファイル") + std::string(fileName) +
           J("はテキストファイルではありません。既定の設定で続けます。");
  return J("設定ファイル") + std::string(fileName) + J("を読み込めません。既定の設定で続けます。");
}

bool IsFolder(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string Trimmed(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return std::string(s.substr(b, e - b));
}

// A value as written into krv.ini: no CR, LF or NUL that could split the line.
std::string LineSafe(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value)
    if (c != '\r' && c != '\n' && c != '\0') out += c;
  return out;
}

}  // namespace

ConfigReadResult ReadConfiguration(const ConfigLocation& location, const ConfigReport& report) {
  ConfigReadResult result;
  Settings& s = result.settings;
  const std::string& cwd = location.currentDir;

  // 1. krv.cfg must exist.
  LoadedConfig cfgFile = LoadConfigFile(FindInFolder(cwd, kGameConfigName));
  if (cfgFile.status == LoadStatus::Missing) {
    if (report) report(MissingGameConfigMessage());
    result.exitProgram = true;
    return result;
  }
  if (cfgFile.status != LoadStatus::Ok && report)
    report(FileLevelMessage(kGameConfigName, cfgFile.status));
  std::vector<std::string> cfgProblems = cfgFile.problems;
  KeyReader cfg(cfgFile.file, cfgProblems, &result.gameConfigKeys);

  // 2. ProgramID and the installation folder.
  s.ProgramID = cfg.Text("ProgramID");
  if (!s.ProgramID.empty() && location.installStore) {
    s.InstallFolder = location.installStore->Lookup(s.ProgramID, report);
  }
  // 3. The start folder.
  s.StartFolder = cwd;
  if (!s.InstallFolder.empty()) {
    std::string folder = s.InstallFolder;
    if (folder[0] != '/' && !cwd.empty()) folder = cwd + "/" + folder;
    if (IsFolder(folder)) {
      s.StartFolder = folder;
    } else if (report) {
      report(J("インストールフォルダが見つかりません。現在のフォルダで続けます。\n") +
             cp932::FromUtf8(s.InstallFolder));
    }
  }

  // A game folder the player cannot write to (a disc, a system folder)
  // keeps the player's files in a folder of their own.
  const bool writable = location.canWrite ? location.canWrite(s.StartFolder)
                                          : ::access(s.StartFolder.c_str(), W_OK | X_OK) == 0;
  if (!location.userDataHome.empty() && !writable)
    s.UserFolder = UserFolderFor(location.userDataHome, s.StartFolder);

  // 4. krv.ini from the start folder (or the player's copy beside the saves).
  const std::string iniPath = UserSettingsReadPath(s);
  LoadedConfig iniFile = LoadConfigFile(iniPath);
  if (iniFile.status == LoadStatus::Unreadable || iniFile.status == LoadStatus::NotText) {
    struct stat st;
    s.UserSettingsUnreadable = iniPath == UserSettingsPath(s) &&
                               ::stat(iniPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    if (report)
      report(FileLevelMessage(kUserSettingsName, iniFile.status) +
             (s.UserSettingsUnreadable ? J("\n元のファイルは終了時に krv.ini.bak として残します。")
                                       : std::string()));
  }
  if (iniFile.status == LoadStatus::Ok) {
    s.UserSettingsRead = true;
    std::vector<std::string> iniProblems = iniFile.problems;
    KeyReader ini(iniFile.file, iniProblems, &result.userSettingsKeys);
    // Without a usable BGDarkness, take what a run without krv.ini would have.
    std::optional<int> cfgDarkness = ParseDecimal(cfg.Text("BGDarkness"));
    bool darknessFallback = cfgDarkness.value_or(0) != 0;
    s.BGDarkness = ini.Flag("BGDarkness", darknessFallback, true);
    s.SavePath = ini.Text("SavePath");
    s.EnableMusic = ini.Flag("EnableMusic", true, true);
    s.EnableSound = ini.Flag("EnableSound", true, true);
    s.HighSpeedText = ini.Flag("HighSpeedText", false, true);
    s.SkipText = ini.Flag("SkipText", false, true);
    for (int i = 0; i < kPlayerFontSlotCount; ++i) {
      s.FontTable[i] = ini.Text("Font" + std::to_string(i));
      if (s.FontTable[i].empty()) s.FontTable[i] = DefaultMessageFont();
    }
    s.DebugMode = ini.On("DebugMode");
    s.EnableAllDrive = ini.On("EnableAllDrive");
    ReportProblems(kUserSettingsName, iniProblems, report);
  } else {
    // 5. Without krv.ini: the font candidates and darkening from krv.cfg.
    for (int i = 0; i < 4; ++i) s.DefaultFont[i] = cfg.Text("DefaultFont" + std::to_string(i));
    if (!cfg.Text("BGDarkness").empty()) s.BGDarkness = cfg.Flag("BGDarkness", false, false);
  }

  // 6. The rest of krv.cfg, in its fixed order.
  if (s.SavePath.empty()) s.SavePath = cfg.Text("SavePath");
  s.DarknessRate = cfg.Int("DarknessRate", 32, false);
  if (s.DarknessRate < 0 || s.DarknessRate > 256) {
    int clamped = s.DarknessRate < 0 ? 0 : 256;
    cfg.Problem("DarknessRate=" + std::to_string(s.DarknessRate) + J("：0から256の範囲外です → ") +
                std::to_string(clamped));
    s.DarknessRate = clamped;
  }
  for (int i = 4; i < 7; ++i) s.DefaultFont[i] = cfg.Text("DefaultFont" + std::to_string(i));
  std::array<std::string, 4> commentDefaults = DefaultCommentFonts();
  for (int i = 0; i < 4; ++i) s.CommentFont[i] = cfg.Text("CommentFont" + std::to_string(i));
  for (int i = 0; i < 4; ++i)
    if (s.CommentFont[i].empty()) s.CommentFont[i] = commentDefaults[i];
  s.Icon = cfg.Text("Icon");
  s.BackGround = cfg.Text("BackGround");
  s.Tile = cfg.Text("Tile");
  s.Version = cfg.Text("Version");
  s.MenuClickSound = cfg.Text("MenuClickSound");
  s.DataDriveLabel = cfg.Text("DataDriveLabel");
  if (std::string raw = cfg.Text("TextMaxIndex"); !raw.empty()) {
    if (std::optional<int> n = ParseDecimal(raw); !n) {
      cfg.Problem("TextMaxIndex=" + QuoteForReport(raw) +
                  J("：数値ではありません → 既読スキップは使いません"));
    } else if (*n < 0) {
      cfg.Problem("TextMaxIndex=" + std::to_string(*n) +
                  J("：負の値です → 既読スキップは使いません"));
    } else if (*n > kMaxTextMaxIndex) {
      cfg.Problem("TextMaxIndex=" + std::to_string(*n) + J("：大きすぎます → ") +
                  std::to_string(kMaxTextMaxIndex));
      s.TextMaxIndex = kMaxTextMaxIndex;
    } else {
      s.TextMaxIndex = *n;
    }
  }
  s.ForceDataDrivePath = cfg.Text("ForceDataDrivePath");
  if (!s.ForceDataDrivePath.empty()) {
    s.DataPath = s.ForceDataDrivePath;
    s.DataDriveLabel.clear();
  }
  s.BGHideMode = cfg.Int("BGHideMode", 0, false);
  s.TextHideMode = cfg.Int("TextHideMode", 0, false);
  s.GlobalFlagSave = cfg.Text("GlobalFlagSave") != "0";
  // Read here; the caller applies it to the MP3 library.
  s.MP3Timing = cfg.Int("MP3Timing", 5, false);

  ReportProblems(kGameConfigName, cfgProblems, report);
  return result;
}

std::string SaveFolderFromChosenFile(std::string_view name) {
  size_t cut = 0;  // one past the last separator
  for (size_t i = 0; i < name.size();) {
    size_t n = cp932::CharLength(name, i);
    if (n == 1 && (name[i] == '/' || name[i] == '\\')) cut = i + 1;
    i += n;
  }
  return std::string(name.substr(0, cut));
}

void ResolveFontCandidates(Settings& settings,
                           const std::function<bool(std::string_view face)>& isInstalled) {
  for (size_t slot = 0; slot < settings.DefaultFont.size(); ++slot) {
    std::string_view list = settings.DefaultFont[slot];
    // "," (0x2C) is never the second byte of a two-byte character.
    size_t start = 0;
    while (start <= list.size()) {
      size_t comma = list.find(',', start);
      if (comma == std::string_view::npos) comma = list.size();
      std::string face = Trimmed(list.substr(start, comma - start));
      if (!face.empty() && isInstalled(face)) {
        settings.FontTable[slot] = face;
        break;
      }
      start = comma + 1;
    }
  }
}

void ResolveFontCandidates(Settings& settings, const std::vector<std::string>& installedFaces) {
  ResolveFontCandidates(settings, [&](std::string_view face) {
    for (const auto& installed : installedFaces)
      if (EqualsIgnoringCase(installed, face)) return true;
    return false;
  });
}

std::string BuildUserSettingsText(const Settings& s) {
  std::string out;
  auto line = [&out](std::string_view text) {
    out += text;
    out += "\r\n";
  };
  auto bit = [](bool on) { return on ? "1" : "0"; };
  line(kSettingsVersionLine);
  line("[Display]");
  line(std::string("BGDarkness=") + bit(s.BGDarkness));
  line("[System]");
  line("SavePath=" + LineSafe(s.SavePath));
  line(std::string("EnableMusic=") + bit(s.EnableMusic));
  line(std::string("EnableSound=") + bit(s.EnableSound));
  line(std::string("HighSpeedText=") + bit(s.HighSpeedText));
  line(std::string("SkipText=") + bit(s.SkipText));
  if (s.DebugMode) line("DebugMode=on");
  if (s.EnableAllDrive) line("EnableAllDrive=on");
  line("[Font]");
  for (int i = 0; i < kPlayerFontSlotCount; ++i) line("Font" + std::to_string(i) + "=" + LineSafe(s.FontTable[i]));
  return out;
}

std::string UserSettingsPath(const Settings& s) {
  return FindInFolder(s.UserFolder.empty() ? s.StartFolder : s.UserFolder, kUserSettingsName);
}

std::string UserSettingsReadPath(const Settings& s) {
  const std::string own = UserSettingsPath(s);
  struct stat st;
  if (s.UserFolder.empty() || ::stat(own.c_str(), &st) == 0) return own;
  return FindInFolder(s.StartFolder, kUserSettingsName);
}

std::string UserFolderFor(const std::string& userDataHome, const std::string& gameFolder) {
  std::filesystem::path game(gameFolder);
  if (!game.has_filename()) game = game.parent_path();
  std::string name = game.filename().string();
  if (name.empty() || name == "." || name == "..") name = "game";
  return (std::filesystem::path(userDataHome) / "korvana" / name).string();
}

bool WriteUserSettings(const Settings& s, const ConfigReport& report) {
  std::string path = UserSettingsPath(s);
  if (!s.UserFolder.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(s.UserFolder, ec);
  }
  if (s.UserSettingsUnreadable) {
    // Only the file that could not be read goes to the side, once: a second
    // write finds the readable file the first one made.
    const LoadStatus now = LoadConfigFile(path).status;
    if ((now == LoadStatus::Unreadable || now == LoadStatus::NotText) &&
        std::rename(path.c_str(), (path + ".bak").c_str()) != 0) {
      // Without the copy the reader's file would be lost: it stays as it is.
      if (report)
        report(J("設定ファイルkrv.iniを保存できませんでした。\n") + cp932::FromUtf8(path));
      return false;
    }
  }
  if (WriteFileAtomically(path, BuildUserSettingsText(s))) return true;
  if (report) report(J("設定ファイルkrv.iniを保存できませんでした。\n") + cp932::FromUtf8(path));
  return false;
}

}  // namespace korvana::config
