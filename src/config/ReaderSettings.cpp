#include "config/ReaderSettings.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <variant>

#include "config/ConfigFile.h"
#include "config/InstallStore.h"
#include "core/Ascii.h"
#include "core/FileWriting.h"
#include "core/Tokens.h"

namespace korvana::config {
namespace {

namespace fs = std::filesystem;

// One key of the file: a number within a range, a switch written as
// "on"/"off", or what a pad button does, written as its action's name.
struct Key {
  const char* name;
  std::variant<int32_t ReaderSettings::*, bool ReaderSettings::*, std::string ReaderSettings::*,
               PadButton>
      member;
  int32_t lowest = 0;
  int32_t highest = 0;
  // A text key that takes only these words (null: any text on one line).
  const char* const* words = nullptr;
  // Written only once it differs from the default (an author's switch):
  // the file of a reader who never touched it stays as it was.
  bool onlyWhenChanged = false;
};

constexpr const char* kTextOutTargets[] = {"clipboard", "file", "websocket", nullptr};

constexpr Key kKeys[] = {
    {"AutoBaseMs", &ReaderSettings::autoBaseMs, 0, 60000},
    {"AutoPerCharMs", &ReaderSettings::autoPerCharMs, 0, 1000},
    {"SkipStopsAtChoices", &ReaderSettings::skipStopsAtChoices},
    {"SkipUnread", &ReaderSettings::skipUnread},
    {"AutoSaves", &ReaderSettings::autoSaves},
    {"ScalingSmooth", &ReaderSettings::scalingSmooth},
    {"ScalingFit", &ReaderSettings::scalingFit},
    {"SpeechVoice", &ReaderSettings::speechVoice},
    {"SpeechRate", &ReaderSettings::speechRate, -10, 10},
    {"TextOutTarget", &ReaderSettings::textOutTarget, 0, 0, kTextOutTargets},
    {"TextOutPath", &ReaderSettings::textOutPath},
    {"TextOutPort", &ReaderSettings::textOutPort, 1, 65535},
    {"SpeechOn", &ReaderSettings::speechOn},
    {"PadA", PadButton::A},
    {"PadB", PadButton::B},
    {"PadX", PadButton::X},
    {"PadY", PadButton::Y},
    {"PadLB", PadButton::LB},
    {"PadRB", PadButton::RB},
    {"PadLT", PadButton::LT},
    {"PadRT", PadButton::RT},
    {"PadStart", PadButton::Start},
    {"PadBack", PadButton::Back},
    {"PadUp", PadButton::Up},
    {"PadDown", PadButton::Down},
    {"PadLeft", PadButton::Left},
    {"PadRight", PadButton::Right},
    {"ReloadOnChange", &ReaderSettings::reloadOnChange, 0, 0, nullptr, true},
};

// Well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF)
// without NUL bytes.
bool IsUtf8Text(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == 0) return false;
    if (c < 0x80) {
      ++i;
      continue;
    }
    const size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
    if (n == 0 || c > 0xF4 || i + n > s.size()) return false;
    uint32_t code = c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      code = code << 6 | (t & 0x3F);
    }
    if ((n == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (n == 4 && (code < 0x10000 || code > 0x10FFFF)))
      return false;
    i += n;
  }
  return true;
}

std::vector<std::string> SplitLines(std::string_view bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = bytes.size();
    lines.emplace_back(bytes.substr(start, end - start));
    if (end + 1 < bytes.size() && bytes[end] == '\r' && bytes[end + 1] == '\n') ++end;
    start = end + 1;
  }
  return lines;
}

bool IsComment(std::string_view line) {
  const size_t first = line.find_first_not_of(" \t");
  return first == std::string_view::npos || line[first] == '#' || line[first] == ';';
}

const Key* FindKey(std::string_view name) {
  name = TrimBlanks(name);
  for (const Key& key : kKeys)
    if (EqualsIgnoringCaseUtf8(name, key.name)) return &key;
  return nullptr;
}

// Applies one value; false when it is not one the key takes.
bool Apply(const Key& key, std::string_view value, ReaderSettings& settings) {
  value = TrimBlanks(value);
  if (auto button = std::get_if<PadButton>(&key.member)) {
    const std::optional<PadAction> action = ParsePadAction(LowerAscii(value));
    if (!action) return false;
    settings.pad[static_cast<size_t>(*button)] = *action;
    return true;
  }
  if (auto number = std::get_if<int32_t ReaderSettings::*>(&key.member)) {
    const std::optional<int> parsed = ParseDecimal(value);
    if (!parsed || *parsed < key.lowest || *parsed > key.highest) return false;
    settings.**number = *parsed;
    return true;
  }
  if (auto text = std::get_if<std::string ReaderSettings::*>(&key.member)) {
    if (key.words) {
      const char* const* word = key.words;
      while (*word && !EqualsIgnoringCaseUtf8(value, *word)) ++word;
      if (!*word) return false;
      settings.**text = *word;
    } else {
      settings.**text = std::string(value);
    }
    return true;
  }
  auto flag = std::get<bool ReaderSettings::*>(key.member);
  if (EqualsIgnoringCaseUtf8(value, "on"))
    settings.*flag = true;
  else if (EqualsIgnoringCaseUtf8(value, "off"))
    settings.*flag = false;
  else
    return false;
  return true;
}

std::string Written(const Key& key, const ReaderSettings& settings) {
  if (auto button = std::get_if<PadButton>(&key.member))
    return std::string(key.name) + "=" +
           std::string(PadActionName(ActionOf(settings.pad, *button)));
  if (auto number = std::get_if<int32_t ReaderSettings::*>(&key.member))
    return std::string(key.name) + "=" + std::to_string(settings.**number);
  if (auto text = std::get_if<std::string ReaderSettings::*>(&key.member))
    return std::string(key.name) + "=" + settings.**text;
  return std::string(key.name) + "=" +
         (settings.*std::get<bool ReaderSettings::*>(key.member) ? "on" : "off");
}

}  // namespace

std::string ReaderSettingsPathFrom(const char* xdgConfigHome, const char* home) {
  const std::string base = XdgBase(xdgConfigHome, home, "/.config");
  return base.empty() ? base : base + "korvana/settings.ini";
}

std::string DefaultReaderSettingsPath() {
  return ReaderSettingsPathFrom(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

namespace {

// The settings the text gives, with its lines in `lines`; false when the
// text is damaged.
bool Parse(std::string_view bytes, ReaderSettings& settings, std::vector<std::string>& lines) {
  if (!IsUtf8Text(bytes)) return false;
  lines = SplitLines(bytes);
  // As in the game's own files, the first line of a key counts; a later one
  // must still be a value the key takes.
  bool seen[std::size(kKeys)] = {};
  for (const std::string& line : lines) {
    if (IsComment(line)) continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    if (const Key* key = FindKey(std::string_view(line).substr(0, equals))) {
      ReaderSettings scratch;
      if (!Apply(*key, std::string_view(line).substr(equals + 1),
                 seen[key - kKeys] ? scratch : settings))
        return false;
      seen[key - kKeys] = true;
    }
  }
  return true;
}

}  // namespace

bool ReadReaderSettings(const std::string& path, ReaderSettings& out, std::string& error) {
  const auto [status, bytes] = ReadSmallFile(path, kMaxReaderSettingsBytes);
  if (status == LoadStatus::Missing) {
    error = "the settings file " + path + " is not there";
    return false;
  }
  ReaderSettings settings;
  std::vector<std::string> lines;
  if (status != LoadStatus::Ok || !Parse(bytes, settings, lines)) {
    error = "the settings file " + path + " cannot be read as settings";
    return false;
  }
  out = settings;
  return true;
}

ReaderSettings ReaderSettingsFile::Load(const std::function<void(const std::string&)>& report) {
  lines_.clear();
  ReaderSettings settings;
  if (path_.empty()) return settings;
  const auto [status, bytes] = ReadSmallFile(path_, kMaxReaderSettingsBytes);
  if (status == LoadStatus::Missing) return settings;
  std::vector<std::string> lines;
  if (status == LoadStatus::Ok && Parse(bytes, settings, lines)) {
    lines_ = std::move(lines);
    return settings;
  }
  const std::string backup = path_ + ".bak";
  std::error_code ec;
  fs::rename(path_, backup, ec);
  if (report)
    report(ec ? "読者設定ファイル " + path_ + " が壊れているため、初期設定で始めます。"
              : "読者設定ファイル " + path_ + " が壊れているため、" + backup +
                    " として残し、初期設定で始めます。");
  return ReaderSettings{};
}

bool ReaderSettingsFile::Save(const ReaderSettings& settings) {
  if (path_.empty()) return false;
  std::vector<std::string> lines = lines_;
  bool written[std::size(kKeys)] = {};
  for (std::string& line : lines) {
    if (IsComment(line)) continue;
    const size_t equals = line.find('=');
    const Key* key = equals == std::string::npos ? nullptr : FindKey(line.substr(0, equals));
    if (!key) continue;
    const size_t index = key - kKeys;
    // A key given twice is written once, where it first stood.
    line = written[index] ? std::string() : Written(*key, settings);
    written[index] = true;
  }
  // A pad button the reader left as it comes is not added: the file of a
  // reader without a pad stays as it was.
  static const ReaderSettings defaults;
  for (size_t i = 0; i < std::size(kKeys); ++i)
    if (!written[i] && ((!std::holds_alternative<PadButton>(kKeys[i].member) &&
                         !kKeys[i].onlyWhenChanged) ||
                        Written(kKeys[i], settings) != Written(kKeys[i], defaults)))
      lines.push_back(Written(kKeys[i], settings));
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\n";
  std::error_code ec;
  fs::create_directories(fs::path(path_).parent_path(), ec);
  if (!WriteFileAtomically(path_, bytes)) return false;
  lines_ = std::move(lines);
  return true;
}

}  // namespace korvana::config
