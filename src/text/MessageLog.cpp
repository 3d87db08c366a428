#include "text/MessageLog.h"

namespace korvana {

void MessageLog::AppendLogChar(std::string_view c, bool symbolFont) {
  if (LogDisabled || c.empty()) return;
  std::vector<std::string>& page = LogPages[LogCurrentPage];
  if (c == "\n") {
    // A page never starts with empty lines.
    if (!page.empty() || LogCurrentLine > 0) {
      ++LogCurrentLine;
      page.emplace_back();
    }
    return;
  }
  if (LogTotalPage == 0) LogTotalPage = 1;
  const std::string_view text = symbolFont ? std::string_view(" ") : c;
  if (page.empty()) {
    page.emplace_back(text);
    return;
  }
  // The line index can only run ahead of the page after a restore; the
  // missing lines are made rather than written past the end.
  if (static_cast<size_t>(LogCurrentLine) >= page.size()) page.resize(LogCurrentLine + 1);
  page[LogCurrentLine] += text;
}

void MessageLog::NewLogPage() {
  if (LogDisabled || LogPages[LogCurrentPage].empty()) return;
  LogChanged = true;
  LogCurrentPage = (LogCurrentPage + 1) % kPages;
  if (LogTotalPage >= kPages) {
    if (SaveLogTotalPage > 0) --SaveLogTotalPage;
  } else {
    ++LogTotalPage;
  }
  LogPages[LogCurrentPage].clear();
  LogCurrentLine = 0;
}

void MessageLog::ClearLog() {
  LogChanged = true;
  SaveLogStartPage = -1;
  SaveLogTotalPage = 0;
  for (auto& page : LogPages) page.clear();
  LogTotalPage = 0;
  LogCurrentPage = 0;
  LogCurrentLine = 0;
}

void MessageLog::CaptureSaveBookkeeping() {
  if (LogChanged) {
    SaveLogTotalPage = LogTotalPage - 1;
    SaveLogStartPage = LogCurrentPage - 1;
    LogChanged = false;
  }
  if (SaveLogTotalPage < 0) SaveLogTotalPage = 0;
  if (SaveLogStartPage < 0) SaveLogStartPage += kPages;
}

std::vector<std::vector<std::string>> MessageLog::SavedPages() const {
  std::vector<std::vector<std::string>> pages;
  for (int i = 0; i < SaveLogTotalPage; ++i) {
    int ring = (SaveLogStartPage - SaveLogTotalPage + 1 + i) % kPages;
    if (ring < 0) ring += kPages;
    pages.push_back(LogPages[ring]);
  }
  return pages;
}

void MessageLog::RestorePages(const std::vector<std::vector<std::string>>& pages) {
  ClearLog();
  const int n = static_cast<int>(std::min<size_t>(pages.size(), kMaxSavedPages));
  for (int i = 0; i < n; ++i) LogPages[i] = pages[i];
  if (n < kMaxSavedPages) {
    LogTotalPage = n + 1;
    LogCurrentPage = n;
    SaveLogStartPage = n - 1;
    SaveLogTotalPage = n;
  } else {
    LogTotalPage = 16;
    LogCurrentPage = 15;
    SaveLogStartPage = 14;
    SaveLogTotalPage = 15;
  }
  LogCurrentLine = 0;
}

const std::vector<std::string>& MessageLog::PageAtOffset(int offset) const {
  int ring = (LogCurrentPage - offset) % kPages;
  if (ring < 0) ring += kPages;
  return LogPages[ring];
}

}  // namespace korvana
