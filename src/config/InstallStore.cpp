#include "config/InstallStore.h"

#include <cstdlib>

#include "core/Cp932.h"

namespace korvana::config {

std::string XdgBase(const char* variable, const char* home, const char* fallback) {
  std::string base;
  if (variable && variable[0] == '/')
    base = variable;
  else if (home && home[0] != '\0')
    base = std::string(home) + fallback;
  else
    return {};
  if (base.back() != '/') base += '/';
  return base;
}

std::string InstallStorePathFrom(const char* xdgConfigHome, const char* home) {
  const std::string base = XdgBase(xdgConfigHome, home, "/.config");
  return base.empty() ? base : base + std::string(kInstallStoreRelativePath);
}

std::string DefaultInstallStorePath() {
  return InstallStorePathFrom(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::string UserDataHomeFrom(const char* xdgDataHome, const char* home) {
  return XdgBase(xdgDataHome, home, "/.local/share");
}

std::string DefaultUserDataHome() {
  return UserDataHomeFrom(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

std::string InstallStore::Lookup(std::string_view programId, const ConfigReport& report) const {
  if (path_.empty() || programId.empty()) return {};
  LoadedConfig store = LoadConfigFile(path_, TextEncoding::Utf8);
  if (store.status == LoadStatus::Missing) return {};
  if (store.status != LoadStatus::Ok) {
    if (report)
      report(J("インストール先の記録を読み込めません。インストールフォルダは使いません。\n") +
             cp932::FromUtf8(path_));
    return {};
  }
  // The store is UTF-8, the ProgramID CP932. ASCII letters fold alike in both.
  return store.file.Value(cp932::ToUtf8(programId));
}

}  // namespace korvana::config
