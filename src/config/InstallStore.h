#pragma once
// The installation folder store: what the registry value
// HKLM\SOFTWARE\Korvana\<ProgramID>\InstallPath is on Windows.
//
// A per-user UTF-8 text file, by default
//   $XDG_CONFIG_HOME/korvana/install-paths   ($HOME/.config/... without it)
// with one line per game:
//   ProgramID=/absolute/folder/of/the/game
// The first line whose part before the first "=" equals the `ProgramID`
// without regard to ASCII letter case gives the folder (the rest of the line,
// untrimmed). Lines without "=" (blank lines, "# comments") are ignored; lines
// end with LF or CR LF. A missing file or entry means "no installation folder",
// silently, as a missing registry key does. A store that exists but cannot be
// read (a folder, no permission, binary, too large) is reported once and then
// treated as empty.
#include <string>
#include <string_view>

#include "config/ConfigFile.h"

namespace korvana::config {

inline constexpr std::string_view kInstallStoreRelativePath = "korvana/install-paths";

// An XDG base folder ending in "/": the variable when it is absolute (the
// standard says to ignore a relative one), else HOME + `fallback`; empty
// when neither gives one.
std::string XdgBase(const char* variable, const char* home, const char* fallback);

// The store path from the given environment values (either may be null):
// XDG_CONFIG_HOME when it is an absolute path, else HOME + "/.config"; empty
// when neither gives one (then there is no store).
std::string InstallStorePathFrom(const char* xdgConfigHome, const char* home);
// The same from this process's environment.
std::string DefaultInstallStorePath();

// Where per-user data lives: XDG_DATA_HOME when it is an absolute path, else
// HOME + "/.local/share"; empty when neither gives one.
std::string UserDataHomeFrom(const char* xdgDataHome, const char* home);
std::string DefaultUserDataHome();

class InstallStore {
 public:
  // `path` is the UTF-8 path of the store file; empty means no store.
  explicit InstallStore(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  // The installation folder (UTF-8) for `programId` (CP932, as krv.cfg gives
  // it), or the empty text. An unreadable store is reported through `report`.
  std::string Lookup(std::string_view programId, const ConfigReport& report) const;

 private:
  std::string path_;
};

}  // namespace korvana::config
