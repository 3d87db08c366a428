#include "text/MessageLog.h"

namespace korvana {

void MessageLog::AppendLogChar(std::string_view c, bool symbolFont) {
  if (Disabled() || c.empty()) return;
  std::vector<std::string>& page = LogPages[book.LogCurrentPage];
  if (c == "\n") {
    // A page never starts with empty lines.
    if (!page.empty() || book.LogCurrentLine > 0) {
      ++book.LogCurrentLine;
      page.emplace_back();
    }
    return;
  }
  if (book.LogTotalPage == 0) book.LogTotalPage = 1;
  const std::string_view text = symbolFont ? std::string_view(" ") : c;
  if (page.empty()) {
    page.emplace_back(text);
    return;
  }
  // The line index can only run ahead of the page after a restore; the
  // missing lines are made rather than written past the end.
  if (static_cast<size_t>(book.LogCurrentLine) >= page.size()) page.resize(book.LogCurrentLine + 1);
  page[book.LogCurrentLine] += text;
}

void MessageLog::NewLogPage() {
  if (Disabled() || LogPages[book.LogCurrentPage].empty()) return;
  book.LogChanged = true;
  book.LogCurrentPage = (book.LogCurrentPage + 1) % kPages;
  if (book.LogTotalPage >= kPages) {
    if (book.SaveLogTotalPage > 0) --book.SaveLogTotalPage;
  } else {
    ++book.LogTotalPage;
  }
  LogPages[book.LogCurrentPage].clear();
  book.LogCurrentLine = 0;
}

void MessageLog::ClearLog() {
  for (auto& page : LogPages) page.clear();
  book = LogBookkeeping{};
  book.LogChanged = true;
}

void MessageLog::CaptureSaveBookkeeping() {
  if (book.LogChanged) {
    book.SaveLogTotalPage = book.LogTotalPage - 1;
    book.SaveLogStartPage = book.LogCurrentPage - 1;
    book.LogChanged = false;
  }
  if (book.SaveLogTotalPage < 0) book.SaveLogTotalPage = 0;
  if (book.SaveLogStartPage < 0) book.SaveLogStartPage += kPages;
}

std::vector<std::vector<std::string>> MessageLog::SavedPages() const {
  std::vector<std::vector<std::string>> pages;
  for (int i = 0; i < book.SaveLogTotalPage; ++i) {
    int ring = (book.SaveLogStartPage - book.SaveLogTotalPage + 1 + i) % kPages;
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
    book.LogTotalPage = n + 1;
    book.LogCurrentPage = n;
    book.SaveLogStartPage = n - 1;
    book.SaveLogTotalPage = n;
  } else {
    book.LogTotalPage = 16;
    book.LogCurrentPage = 15;
    book.SaveLogStartPage = 14;
    book.SaveLogTotalPage = 15;
  }
  book.LogCurrentLine = 0;
}

const std::vector<std::string>& MessageLog::PageAtOffset(int offset) const {
  int ring = (book.LogCurrentPage - offset) % kPages;
  if (ring < 0) ring += kPages;
  return LogPages[ring];
}

}  // namespace korvana
