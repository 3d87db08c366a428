#pragma once
// The pages read most recently, kept in memory so that the reader can step
// back a page and forward again. Each entry is what a load needs to put the
// story back where that page was cleared: the save point, the random
// generator as it stood (the story after it draws the same numbers again) and
// the completed log pages a save of that page would write. Pictures are kept
// by name only, as the save point keeps them.
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "save/SavePoint.h"

namespace korvana {

using LogPage = std::vector<std::string>;

struct PageEntry {
  SavePoint point;
  std::mt19937 random;
  // Oldest first. Consecutive entries share the pages they have in common.
  std::vector<std::shared_ptr<const LogPage>> log;
  // The story never stopped on this page where the reader could step (two
  // page clears in a row, or saving switched off): a step passes over it,
  // as landing there would show nothing to read.
  bool passed = false;

  std::vector<LogPage> LogPages() const;
};

// Whether reading on reached the same page again: the story's state and the
// generator agree. The log's ring positions are left out (a restore rebuilds
// the ring from the page texts), and so is what a channel does live (a
// restore starts the music again), but not what it plays.
bool SamePage(const PageEntry& a, const PageEntry& b);

class PageHistory {
 public:
  // The page on the screen and the hundred read before it.
  static constexpr size_t kStepsBack = 100;
  static constexpr size_t kCapacity = kStepsBack + 1;

  // A page clear took a save point. The entry the reader is at again (its
  // line shown once more after a step) replaces itself; the kept next entry,
  // reached again by reading on alike, keeps the future after it; anything
  // else is a new page, and the future that was kept is dropped.
  // `stoppedOnPage`: whether the page at hand had a wait where the reader
  // could step; if not, it is passed over from now on.
  void Capture(const SavePoint& point, const std::mt19937& random,
               const std::vector<LogPage>& logPages, bool stoppedOnPage = true);

  // The entry the story stands at, or null before the first capture.
  const PageEntry* Current() const;
  // The entry one step back or forward, or null at either end.
  const PageEntry* Earlier() const;
  const PageEntry* Later() const;
  // Moves to Earlier() (-1) or Later() (+1); nothing beyond the ends.
  void Step(int delta);

  void Clear();
  // Every kept save point, changed in place (a script read again moves the
  // lines they stand at).
  void ChangePoints(const std::function<void(SavePoint&)>& change) {
    for (PageEntry& entry : entries_) change(entry.point);
  }
  bool Empty() const { return entries_.empty(); }
  size_t Size() const { return entries_.size(); }
  // How many pages the reader is behind the newest one read.
  size_t Behind() const;

 private:
  std::deque<PageEntry> entries_;
  // The entry the story stands at.
  size_t current_ = 0;

  // The nearest entry before (-1) or after (+1) the one at hand that is not
  // passed over; npos when there is none.
  size_t Neighbour(int delta) const;
};

}  // namespace korvana
