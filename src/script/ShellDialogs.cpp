// The engine's side of the shell's own dialogs: the font table behind the
// font dialog, what the version dialog shows, and what the debug window
// reads and edits. The dialogs themselves are the platform's.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>

#include "core/Cp932.h"
#include "graphics/PictureLoader.h"
#include "script/Engine.h"

namespace korvana {
namespace {

constexpr int kVersionWidth = 512;
constexpr int kVersionHeight = 128;

// "Ver " and the version with two decimals. to_chars, because the shell
// sets the process locale and printf would write "1,42" in some of them.
std::string VersionLine() {
  char digits[16];
  const auto result =
      std::to_chars(digits, digits + sizeof digits, Engine::kVersion, std::chars_format::fixed, 2);
  return "Ver " + std::string(digits, result.ptr);
}

// The game's name for its screenshots: its folder's name, or "korvana" when
// the folder has none (the root).
std::string GameName(const std::string& folder) {
  std::filesystem::path path = std::filesystem::path(folder).lexically_normal();
  if (!path.has_filename()) path = path.parent_path();
  const std::string name = path.filename().string();
  return name.empty() || name == "." || name == ".." ? "korvana" : name;
}

// "NAME-YYYYMMDD-HHMMSS", the second and later shot of one second with "-2",
// "-3" … after it.
std::string ShotStem(const std::string& game, const LocalTime& t, int copy) {
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "-%04d%02d%02d-%02d%02d%02d", t.yearSince1900 + 1900,
                t.month, t.day, t.hour, t.minute, t.second);
  return game + stamp + (copy > 1 ? "-" + std::to_string(copy) : std::string());
}

// Makes the file `path` when no file has that name; false when one has.
bool ClaimName(const std::string& path) {
  // "x": the name is taken only when nothing had it, so two shots in one
  // second never write over each other, nor over the reader's own file.
  std::FILE* f = std::fopen(path.c_str(), "wbx");
  if (!f) return false;
  std::fclose(f);
  return true;
}

}  // namespace

void Engine::UseFontTable() {
  TextState& text = messageText_.text;
  text.FontName = messageText_.FontTable[std::clamp(text.FontIndex, 0, kFontSlotCount - 1)];
  text.RubyFontName = messageText_.FontTable[kRubyFontSlot];
}

void Engine::ChooseFonts() {
  auto& table = messageText_.FontTable;
  FontChoice choice;
  std::copy_n(table.begin(), choice.faces.size(), choice.faces.begin());
  choice.comments = settings_.commentFont;
  choice.installed = fonts_.ListedFaces(&choice.aliases);
  // Text already drawn keeps its face; the next character takes the new one.
  if (platform_.dialogs.FontDialog(choice)) {
    std::copy(choice.faces.begin(), choice.faces.end(), table.begin());
    UseFontTable();
  }
  click_.ClearClicks();
}

VersionInfo Engine::VersionContents(Picture& area) {
  VersionInfo info;
  info.versionLine = VersionLine();
  area = Picture();
  if (settings_.version.empty()) {
    area.Resize(kVersionWidth, kVersionHeight, 0xFFFFFF);
    DrawString(area, fonts_, FontSpec{J("ＭＳ Ｐゴシック"), 12, false},
               J("シナリオのバージョン情報はありません"), 32, 32, 0x000000);
  } else {
    Picture loaded;
    try {
      LoadPicture(settings_.version, loaded, files_, *this, PlatformWarning(platform_.dialogs));
    } catch (const ScriptException& e) {
      ReportEscapedError(e.what());
      loaded = Picture();
    }
    // The area shows the picture's top-left corner unscaled; a large picture
    // is cut here rather than handed whole to the window.
    area.Resize(std::min(loaded.Width(), kVersionWidth), std::min(loaded.Height(), kVersionHeight));
    area.Draw(0, 0, loaded);
  }
  info.picture = area.Empty() ? nullptr : &area;
  info.programLine =
      settings_.programId.empty() ? J("ProgramID=設定無し") : "ProgramID=" + settings_.programId;
  if (!settings_.installFolder.empty()) {
    info.pathLine = "InstallPath=" + cp932::FromUtf8(settings_.installFolder);
  } else {
    std::error_code ec;
    std::string folder = settings_.startFolder.empty() ? files_.Root() : settings_.startFolder;
    if (folder.empty()) folder = std::filesystem::current_path(ec).string();
    info.pathLine = "CurrentDir=" + cp932::FromUtf8(folder);
  }
  return info;
}

void Engine::TakeScreenshot() {
  namespace fs = std::filesystem;
  const std::string folder = platform_.machine.ScreenshotFolder();
  std::string written;
  std::error_code ec;
  if (!folder.empty()) fs::create_directories(folder, ec);
  if (!folder.empty() && fs::is_directory(folder, ec)) {
    const std::string game =
        GameName(settings_.startFolder.empty() ? files_.Root() : settings_.startFolder);
    const LocalTime now = platform_.pump.Now();
    // A folder full of one second's shots gives up rather than loop on.
    constexpr int kMostCopies = 1000;
    for (int copy = 1; copy <= kMostCopies && written.empty(); ++copy) {
      const std::string path = (fs::path(folder) / (ShotStem(game, now, copy) + ".png")).string();
      if (!ClaimName(path)) {
        // Another reason than the name being taken ends the search.
        if (!fs::exists(path, ec)) break;
        continue;
      }
      if (WritePng(screen_.BackImage, path))
        written = path;
      else
        fs::remove(path, ec);
      break;
    }
  }
  if (written.empty()) {
    platform_.window.ShowNote(J("スクリーンショットを保存できませんでした"));
    return;
  }
  platform_.observer.ReaderEvent("shot", written);
  platform_.window.ShowNote(J("スクリーンショットを保存しました"));
}

void Engine::ShowVersion() {
  Picture area;
  const VersionInfo info = VersionContents(area);
  platform_.dialogs.VersionDialog(info);
  click_.ClearClicks();
}

void Engine::ShowDebugWindow() {
  if (settings_.debugMode) platform_.dialogs.ShowDebugWindow(*this);
}

void Engine::ReportEscapedError(const std::string& message) {
  platform_.dialogs.ShowException(message);
  ReportScriptError(message);
}

void Engine::ReportEscapedError(const std::exception& error) {
  // The engine's own errors are CP932 already; a library's are UTF-8.
  const bool ours = dynamic_cast<const ScriptException*>(&error) != nullptr;
  ReportEscapedError(ours ? std::string(error.what()) : cp932::FromUtf8(error.what()));
}

void Engine::SetFlagFromDebug(int index, const std::string& text) {
  if (index < 0 || index >= FlagStore::kCount) return;
  const bool whole = flags_.Set(index, text);
  UpdateFlagRow(index);
  if (!whole) ReportLongFlag();
}

void Engine::RewriteValueLines() {
  if (!valueLines_.empty()) RebuildFlagRows();
}

const Picture& Engine::BufferPicture(int index) const {
  // Entry 4 is a background mask that the engine never fills.
  static const Picture kNeverFilled;
  if (index >= 9 && index <= 14) {
    const int object = (index - 9) / 2;
    return (index - 9) % 2 == 0 ? layers_.objectPictures[object] : layers_.objectMasks[object];
  }
  switch (index) {
    case 0:
      return screen_.WorkScreen;
    case 1:
      return layers_.BackgroundLayer;
    case 2:
      return layers_.EffectLayer;
    case 3:
      return messageText_.MessageImage;
    case 5:
      return layers_.EffectMask;
    case 6:
      return messageText_.MessageMask;
    case 7:
      // Shown as the screen-sized black picture it was before its first
      // transition, which it becomes here.
      if (layers_.TransitionBuffer.Empty())
        const_cast<Picture&>(layers_.TransitionBuffer).Resize(kScreenWidth, kScreenHeight);
      return layers_.TransitionBuffer;
    case 8:
      return layers_.ScratchPicture;
    case 15:
      return layers_.SpriteSheet;
    case 16:
      return layers_.SpriteMask;
    default:
      return kNeverFilled;
  }
}

std::string Engine::BufferFileName(int index) const {
  if (index == 15) return layers_.state.sheet.fileName;
  if (index == 16) return layers_.state.sheet.maskSpec;
  return {};
}

}  // namespace korvana
