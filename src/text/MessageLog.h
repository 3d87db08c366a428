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
#include "text/LogBookkeeping.h"

namespace korvana {

class MessageLog {
 public:
  static constexpr int kPages = 16;
  // A saved game carries at most this many completed pages.
  static constexpr int kMaxSavedPages = kMaxSavedLogPages;

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
