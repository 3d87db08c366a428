#pragma once
// The message log's bookkeeping a saved game carries (the pages themselves go
// to the log file).
#include <cstdint>

#include "core/SavedFields.h"

namespace korvana {

// A saved game carries at most this many completed pages of the log.
inline constexpr int kMaxSavedLogPages = 15;

// Where the ring stands, and which pages a saved game carries.
struct LogBookkeeping {
  int32_t LogTotalPage = 0;
  int32_t LogCurrentPage = 0;
  int32_t LogCurrentLine = 0;
  int32_t SaveLogStartPage = -1;
  int32_t SaveLogTotalPage = 0;
  bool LogChanged = false;

  template <typename Self, typename Visit>
  static constexpr void Fields(Self& s, Visit&& visit) {
    visit("LogTotalPage", s.LogTotalPage);
    visit("LogCurrentPage", s.LogCurrentPage);
    visit("LogCurrentLine", s.LogCurrentLine);
    visit("SaveLogStartPage", s.SaveLogStartPage);
    visit("SaveLogTotalPage", s.SaveLogTotalPage);
    visit("LogChanged", s.LogChanged);
  }
  bool operator==(const LogBookkeeping&) const = default;
};
static_assert(saved::kListsEveryMember<LogBookkeeping>,
              "a member of LogBookkeeping is missing from its Fields list");

}  // namespace korvana
