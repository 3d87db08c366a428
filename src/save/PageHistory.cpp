#include "save/PageHistory.h"

#include <algorithm>

namespace korvana {

std::vector<LogPage> PageEntry::LogPages() const {
  std::vector<LogPage> pages;
  pages.reserve(log.size());
  for (const auto& page : log) pages.push_back(*page);
  return pages;
}

bool SamePage(const PageEntry& a, const PageEntry& b) {
  if (a.random != b.random) return false;
  SavePoint left = a.point;
  left.log = b.point.log;
  for (size_t i = 0; i < left.channels.size(); ++i) {
    const ChannelRecord& l = left.channels[i];
    const ChannelRecord& r = b.point.channels[i];
    if (l.fileName != r.fileName || l.repeatCount != r.repeatCount) return false;
    left.channels[i] = r;
  }
  return left == b.point;
}

void PageHistory::Capture(const SavePoint& point, const std::mt19937& random,
                          const std::vector<LogPage>& logPages, bool stoppedOnPage) {
  if (!stoppedOnPage && !entries_.empty()) entries_[current_].passed = true;
  PageEntry entry{point, random, {}};
  // The log moves on by a page at most between two captures: each page is
  // looked for among the newest entry's before it is stored anew.
  const PageEntry* previous = entries_.empty() ? nullptr : &entries_[current_];
  entry.log.reserve(logPages.size());
  for (const LogPage& page : logPages) {
    std::shared_ptr<const LogPage> shared;
    if (previous) {
      auto found = std::find_if(previous->log.begin(), previous->log.end(),
                                [&](const auto& kept) { return *kept == page; });
      if (found != previous->log.end()) shared = *found;
    }
    entry.log.push_back(shared ? shared : std::make_shared<const LogPage>(page));
  }

  if (!entries_.empty()) {
    if (SamePage(entry, entries_[current_])) {
      entries_[current_] = std::move(entry);
      return;
    }
    if (current_ + 1 < entries_.size() && SamePage(entry, entries_[current_ + 1])) {
      entries_[++current_] = std::move(entry);
      return;
    }
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(current_) + 1, entries_.end());
  }
  entries_.push_back(std::move(entry));
  while (entries_.size() > kCapacity) entries_.pop_front();
  current_ = entries_.size() - 1;
}

const PageEntry* PageHistory::Current() const {
  return entries_.empty() ? nullptr : &entries_[current_];
}

size_t PageHistory::Neighbour(int delta) const {
  for (size_t i = current_; delta < 0 ? i > 0 : i + 1 < entries_.size();) {
    i = delta < 0 ? i - 1 : i + 1;
    if (!entries_[i].passed) return i;
  }
  return std::string::npos;
}

const PageEntry* PageHistory::Earlier() const {
  const size_t i = Neighbour(-1);
  return i == std::string::npos ? nullptr : &entries_[i];
}

const PageEntry* PageHistory::Later() const {
  const size_t i = Neighbour(1);
  return i == std::string::npos ? nullptr : &entries_[i];
}

void PageHistory::Step(int delta) {
  if (const size_t i = Neighbour(delta < 0 ? -1 : 1); delta != 0 && i != std::string::npos)
    current_ = i;
}

size_t PageHistory::Behind() const {
  size_t behind = 0;
  for (size_t i = current_ + 1; i < entries_.size(); ++i) behind += !entries_[i].passed;
  return behind;
}

void PageHistory::Clear() {
  entries_.clear();
  current_ = 0;
}

}  // namespace korvana
