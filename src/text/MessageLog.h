#pragma once
// The log of the message pages already shown: a ring of 16 pages, one line
// per displayed line, kept as CP932 text, with the bookkeeping that decides
// which pages a saved game carries.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/SystemSwitches.h"

namespace korvana {

// Where the ring stands, and which pages a saved game carries.
struct LogBookkeeping {
  int32_t LogTotalPage = 0;
  int32_t LogCurrentPage = 0;
  int32_t LogCurrentLine = 0;
  int32_t SaveLogStartPage = -1;
  int32_t SaveLogTotalPage = 0;
  bool LogChanged = false;

  template <typename Self, typename Visit>
  static void Fields(Self& s, Visit&& visit) {
    visit("LogTotalPage", s.LogTotalPage);
    visit("LogCurrentPage", s.LogCurrentPage);
    visit("LogCurrentLine", s.LogCurrentLine);
    visit("SaveLogStartPage", s.SaveLogStartPage);
    visit("SaveLogTotalPage", s.SaveLogTotalPage);
    visit("LogChanged", s.LogChanged);
  }
  bool operator==(const LogBookkeeping&) const = default;
};

class MessageLog {
 public:
  static constexpr int kPages = 16;
  // A saved game carries at most this many completed pages.
  static constexpr int kMaxSavedPages = 15;

  // While the `_syslog` switch is set nothing is recorded.
  explicit MessageLog(const SystemSwitches& switches) : switches_(switches) {}

  // One drawn character (CP932); "\n" ends the line. `symbolFont`: the
  // character came from a symbol font and is recorded as a blank.
  void AppendLogChar(std::string_view c, bool symbolFont = false);
  void NewLogPage();
  void ClearLog();

  // At a capture of the save point: decides the completed pages to save.
  void CaptureSaveBookkeeping();
  // The pages a save writes, oldest first.
  std::vector<std::vector<std::string>> SavedPages() const;
  // Refills the log from a loaded game's pages (at most 15 are taken).
  void RestorePages(const std::vector<std::vector<std::string>>& pages);

  // Ring page `LogCurrentPage` − offset.
  const std::vector<std::string>& PageAtOffset(int offset) const;

  std::array<std::vector<std::string>, kPages> LogPages;
  LogBookkeeping book;

 private:
  bool Disabled() const { return switches_.LogDisabled; }
  const SystemSwitches& switches_;
};

}  // namespace korvana
