// The ring of pages read: what a step back or forward reaches, what reading
// on keeps of the future, and what a page costs.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "save/PageHistory.h"

namespace korvana {
namespace {

// A page told apart by flag 0; "7r" draws one number more before it.
SavePoint Page(const std::string& id) {
  SavePoint p;
  p.prog.ProgFileName = "autorun.txt";
  p.flags[0] = id.substr(0, id.find('r'));
  return p;
}

std::mt19937 RandomOf(const std::string& id) {
  std::mt19937 random(1);
  if (id.find('r') != std::string::npos) random.discard(1);
  return random;
}

std::string Id(const PageEntry* e) { return e ? e->point.flags[0] : "-"; }

// Runs "c1 c2 <" style steps: c<id> captures, p<id> captures after a page
// the story never stopped on, < steps back, > forward.
// Returns the pages back to the oldest, the one at hand, and forward to the
// newest, e.g. "1 [2] 3".
std::string Walk(PageHistory& h, const std::string& steps) {
  std::istringstream in(steps);
  for (std::string s; in >> s;) {
    if (s[0] == 'c' || s[0] == 'p')
      h.Capture(Page(s.substr(1)), RandomOf(s.substr(1)), {}, s[0] == 'c');
    if (s == "<") h.Step(-1);
    if (s == ">") h.Step(1);
  }
  const size_t behind = h.Behind();
  std::vector<std::string> ids;
  while (h.Earlier()) h.Step(-1);
  for (;;) {
    ids.push_back(Id(h.Current()));
    if (!h.Later()) break;
    h.Step(1);
  }
  std::string out;
  for (size_t i = 0; i < ids.size(); ++i) {
    const bool here = i == ids.size() - 1 - behind;
    out += (i ? " " : "") + (here ? "[" + ids[i] + "]" : ids[i]);
  }
  return out;
}

TEST(PageHistory, StepsAndReadingOnKeepOrDropTheFuture) {
  struct Case {
    const char* steps;
    const char* pages;
  } const cases[] = {
      {"", "[-]"},
      {"c1 c2 c3", "1 2 [3]"},
      {"c1 c2 c3 < <", "[1] 2 3"},
      {"c1 c2 c3 < < < <", "[1] 2 3"},  // nothing before the oldest
      {"c1 c2 c3 >", "1 2 [3]"},        // nothing after the newest
      {"c1 c2 c3 < < > >", "1 2 [3]"},
      // The page stepped to, taken again as its line is shown again.
      {"c1 c2 c3 < < c1", "[1] 2 3"},
      // Read on alike: the future stays.
      {"c1 c2 c3 < < c2", "1 [2] 3"},
      {"c1 c2 c3 < < c2 c3", "1 2 [3]"},
      // Read on differently: the future goes.
      {"c1 c2 c3 < < c9", "1 [9]"},
      {"c1 c2 c3 < < c2r", "1 [2]"},  // the same flags, other numbers drawn
      {"c1 c2 c3 < c4", "1 2 [4]"},
      // A page never stopped on is stepped over, both ways.
      {"c1 c2 p3", "1 [3]"},
      {"c1 c2 p3 <", "[1] 3"},
      {"c1 c2 p3 c4 < < >", "1 [3] 4"},
      // Read on alike with a stop there this time: it is a page again.
      {"c1 c2 p3 < c2 c3", "1 2 [3]"},
  };
  for (const Case& c : cases) {
    PageHistory h;
    EXPECT_EQ(Walk(h, c.steps), c.pages) << c.steps;
  }
}

TEST(PageHistory, KeepsTheScreenPageAndAHundredBeforeIt) {
  PageHistory h;
  const int read = 150;
  for (int i = 1; i <= read; ++i) h.Capture(Page(std::to_string(i)), RandomOf(""), {});
  EXPECT_EQ(h.Size(), PageHistory::kStepsBack + 1);
  int steps = 0;
  while (h.Earlier()) {
    h.Step(-1);
    ++steps;
    EXPECT_EQ(h.Behind(), static_cast<size_t>(steps));
  }
  EXPECT_EQ(steps, 100);
  EXPECT_EQ(Id(h.Current()), std::to_string(read - 100));
  h.Clear();
  EXPECT_TRUE(h.Empty());
  EXPECT_EQ(h.Current(), nullptr);
}

TEST(PageHistory, APageIsTheSameWhateverTheLogRingAndTheLiveChannelSay) {
  struct Case {
    const char* change;
    void (*apply)(SavePoint&);
    bool same;
  } const cases[] = {
      {"log ring", [](SavePoint& p) { p.log.LogCurrentPage = 7; }, true},
      {"music playing", [](SavePoint& p) { p.channels[0].playing = 1; }, true},
      {"times played", [](SavePoint& p) { p.channels[0].timesPlayed = 3; }, true},
      {"music file", [](SavePoint& p) { p.channels[0].fileName = "b.mid"; }, false},
      {"repeat count", [](SavePoint& p) { p.channels[0].repeatCount = 2; }, false},
      {"game flag", [](SavePoint& p) { p.flags[200] = "1"; }, false},
      {"line", [](SavePoint& p) { p.prog.ProgExecLine = 4; }, false},
      {"background", [](SavePoint& p) { p.layers.baseRecords[0].fileName = "bg.png"; }, false},
  };
  for (const Case& c : cases) {
    PageEntry a{Page("1"), RandomOf(""), {}};
    PageEntry b = a;
    c.apply(b.point);
    EXPECT_EQ(SamePage(a, b), c.same) << c.change;
    EXPECT_EQ(SamePage(b, a), c.same) << c.change;
  }
}

TEST(PageHistory, LogPagesComeBackAndConsecutiveEntriesShareThem) {
  const std::vector<LogPage> log1 = {{"first"}, {"second", "line"}};
  std::vector<LogPage> log2 = log1;
  log2.push_back({"third"});
  PageHistory h;
  h.Capture(Page("1"), RandomOf(""), log1);
  h.Capture(Page("2"), RandomOf(""), log2);
  EXPECT_EQ(h.Current()->LogPages(), log2);
  const PageEntry* earlier = h.Earlier();
  ASSERT_NE(earlier, nullptr);
  EXPECT_EQ(earlier->LogPages(), log1);
  for (size_t i = 0; i < log1.size(); ++i)
    EXPECT_EQ(earlier->log[i].get(), h.Current()->log[i].get()) << i;
}

}  // namespace
}  // namespace korvana
