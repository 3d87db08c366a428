#pragma once
// "name=value" files (krv.cfg, krv.ini) and the helpers every
// configuration reader shares: loading with limits, line splitting, key lookup
// without regard to letter case, and decimal conversion.
//
// Texts are CP932 bytes, as the engine keeps them; file paths are UTF-8.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace korvana::config {

// Where configuration problems go: each call is one message (CP932) that the
// engine shows in an OK box with an exclamation icon. Readers never abort on
// bad input; they report and fall back.
using ConfigReport = std::function<void(const std::string& message)>;

// A line longer than this (without its line break) is skipped with a report.
inline constexpr size_t kMaxConfigLineBytes = 1024;
// A file larger than this is not a configuration file; it is not read at all.
inline constexpr size_t kMaxConfigFileBytes = 1 << 20;

// ASCII letters compared without case, CP932-aware: the second byte of a
// two-byte character is compared exactly (it may lie in 'A'..'Z').
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// The same for UTF-8 texts (every byte of a multi-byte character is >= 0x80).
bool EqualsIgnoringCaseUtf8(std::string_view a, std::string_view b);

// The encoding of a configuration file: krv.cfg and krv.ini are CP932; the
// installation folder store is UTF-8.
enum class TextEncoding { Cp932, Utf8 };

// Decimal integer as the configuration reads it: optional leading blanks, an
// optional sign, then only digits, within the range of int. Anything else
// (empty, trailing blanks, hexadecimal, overflow) is nothing.
std::optional<int> ParseDecimal(std::string_view text);

// A short, printable form of a value for a report: control bytes become "?",
// at most 40 bytes (never cutting a two-byte character).
std::string QuoteForReport(std::string_view value);

// The entries of one file. Lookup: the first line whose part
// before the first "=" equals the name without regard to case gives the rest of
// the line, untrimmed. Lines without "=" are ignored.
class ConfigFile {
 public:
  ConfigFile() = default;

  // Splits `bytes` into lines at CR LF, LF or CR. Lines longer than
  // kMaxConfigLineBytes are skipped, and a last line cut inside a two-byte
  // character loses its dangling lead byte (CP932 only); each such problem is
  // added to `problems` (CP932 text) when given.
  static ConfigFile Parse(std::string_view bytes, std::vector<std::string>* problems = nullptr,
                          TextEncoding encoding = TextEncoding::Cp932);

  // The value of the first entry named `name`, or nothing when no line has it.
  std::optional<std::string> Find(std::string_view name) const;
  // The value, or the empty text when missing.
  std::string Value(std::string_view name) const { return Find(name).value_or(std::string()); }

  size_t size() const { return entries_.size(); }

 private:
  TextEncoding encoding_ = TextEncoding::Cp932;
  std::vector<std::pair<std::string, std::string>> entries_;
};

enum class LoadStatus {
  Ok,          // read and parsed (problems may still have been found)
  Missing,     // no such file
  Unreadable,  // exists but could not be read (permissions, a folder, I/O error)
  NotText,     // holds NUL bytes or is larger than kMaxConfigFileBytes
};

struct LoadedConfig {
  LoadStatus status = LoadStatus::Missing;
  std::string path;                   // UTF-8 path that was read (or tried)
  ConfigFile file;                    // empty unless status is Ok
  std::vector<std::string> problems;  // line-level problems (CP932), see Parse
};

// The bytes of a regular file of at most `limit` bytes. Status Ok with the
// bytes, Missing, Unreadable (also for folders, pipes and devices, which are
// never opened for reading), or NotText when it is larger than `limit`.
std::pair<LoadStatus, std::string> ReadSmallFile(const std::string& path, size_t limit);

// Reads and parses one configuration file. Never throws on bad content.
LoadedConfig LoadConfigFile(const std::string& path, TextEncoding encoding = TextEncoding::Cp932);

// `folder`/`name`, or, when that does not exist, the entry of `folder` whose
// name equals `name` without regard to case (games made on Windows ship
// "KRV.CFG"). When nothing matches, `folder`/`name` itself. UTF-8.
std::string FindInFolder(const std::string& folder, std::string_view name);

}  // namespace korvana::config
