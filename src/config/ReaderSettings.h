#pragma once
// The reader's own settings, shared by every game and kept apart from the
// game's krv.cfg and krv.ini, whose bytes they never touch:
// "$XDG_CONFIG_HOME/korvana/settings.ini" (~/.config/korvana/settings.ini).
//
// The file is UTF-8 "Key=value" lines; blank lines and lines starting with
// "#" or ";" are comments. Keys are matched without regard to case. Lines
// this version does not know are kept, in place, when the file is written
// again, so that a newer version's settings survive an older one. A file
// that is not such text (not UTF-8, a NUL byte, a line without "=", a value
// out of range, over 64 KiB) is damaged: it is kept beside as
// "settings.ini.bak", reported once, and the defaults are used.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "config/PadMapping.h"

namespace korvana::config {

struct ReaderSettings {
  // Auto mode: a click wait ends after this base time and this much per
  // character of the page's text.
  int32_t autoBaseMs = 1500;
  int32_t autoPerCharMs = 40;
  // Skipping stops at a choice; skipping passes unread text too.
  bool skipStopsAtChoices = true;
  bool skipUnread = false;
  // Automatic saves into slots 82 to 84.
  bool autoSaves = true;

  // How the window enlarges the picture: filtered instead of sharp pixels;
  // as large as a full screen allows (keeping 4:3) instead of the largest
  // whole factor.
  bool scalingSmooth = false;
  bool scalingFit = false;
  // Speech ("読み上げ"): the voice by name (empty: a Japanese voice when one
  // is installed, else the engine's own) and the rate, -10 slow to 10 fast.
  std::string speechVoice;
  int32_t speechRate = 0;
  // "読み上げ" was on when the reader last chose it: a reader who listens
  // finds it on again when the window opens.
  bool speechOn = false;
  // Text out ("テキストを外部へ"): where each page's line goes, "clipboard",
  // "file" (a file or pipe at the path) or "websocket" (a server on
  // 127.0.0.1 at the port).
  std::string textOutTarget = "clipboard";
  std::string textOutPath;
  int32_t textOutPort = 7357;
  // What each button of a game controller does ("PadA=click" …, one key per
  // button; the action names are those of config/PadMapping.h).
  PadMapping pad = DefaultPadMapping();
  // A game in debug mode reads its running script again when its file
  // changes on disk (the author's editor saved it).
  bool reloadOnChange = true;

  bool operator==(const ReaderSettings&) const = default;
};

inline constexpr size_t kMaxReaderSettingsBytes = 64 * 1024;

// Where the file lives for these variables; empty when neither gives a
// folder.
std::string ReaderSettingsPathFrom(const char* xdgConfigHome, const char* home);
std::string DefaultReaderSettingsPath();

// The settings in `path` without changing the file, for a run that was
// handed it: false, with `error` (UTF-8) saying why, when the file is
// missing, cannot be read or is damaged.
bool ReadReaderSettings(const std::string& path, ReaderSettings& out, std::string& error);

class ReaderSettingsFile {
 public:
  explicit ReaderSettingsFile(std::string path) : path_(std::move(path)) {}

  // The settings in the file, or the defaults when there is none. A damaged
  // file is moved to "<path>.bak" (replacing an older one) and `report` gets
  // one UTF-8 message naming both files.
  ReaderSettings Load(const std::function<void(const std::string&)>& report);
  // Writes the settings over the file atomically, keeping the lines Load
  // read that are not ours; makes the folder when it is missing. False when
  // the file could not be written (the old one is then unchanged).
  bool Save(const ReaderSettings& settings);

  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  // The file's lines as read (without line breaks), for Save.
  std::vector<std::string> lines_;
};

}  // namespace korvana::config
