// The reader's choices for skipping read text (past choices, unread text
// too) and transitions cut short while skipping.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string_view>

#include "GameRun.h"
#include "TestPaths.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

using test::GameRun;

// A game with a read-text record of 4 bytes whose reader has read `read`
// and is skipping read text, with these skip settings.
struct SkipRun {
  GameRun run;
  SkipRun(HeadlessOptions options, bool stopsAtChoices, bool unread, std::vector<int> read)
      : run(options, [&] {
          EngineSettings s;
          s.textMaxIndex = 4;
          s.reader.skipStopsAtChoices = stopsAtChoices;
          s.reader.skipUnread = unread;
          return s;
        }()) {
    EngineProbe probe(run.session().engine);
    probe.PokeMessage().record.Create(4);
    for (int id : read) probe.PokeMessage().record.MarkRead(id);
    probe.PokeClicks().SkipReadMode = true;
  }
};

TEST(Skip, UnreadTextIsPassedOnlyWhenTheReaderAsks) {
  struct Case {
    const char* name;
    bool unread;
    int64_t clicks;
    bool stillSkipping;
  };
  const std::vector<Case> cases = {
      {"by default the first unread line stops it", false, 2, false},
      {"unread text too: nothing stops it", true, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SkipRun s({}, true, c.unread, {1});
    s.run.Script({"_textwait 0", "~00000001あ", "~00000002い", "う"});
    EXPECT_EQ(s.run.Run(), 0);
    EXPECT_EQ(s.run.session().platform.ClicksGiven(), c.clicks);
    EXPECT_EQ(s.run.probe().Clicks().SkipReadMode, c.stillSkipping);
    EXPECT_TRUE(s.run.probe().Message().record.IsRead(2));
  }
}

TEST(Skip, AChoiceEndsItUnlessTheReaderAsksToGoOn) {
  struct Case {
    const char* name;
    bool stopsAtChoices;
    bool byKeyboard;  // the choice answered with the arrow keys and Enter
    int64_t clicks;   // given to the read lines after the choice
  };
  const std::vector<Case> cases = {
      {"stops at the choice", true, false, 2},
      {"stops at the choice answered by keyboard", true, true, 2},
      {"goes on past the choice", false, false, 0},
      {"goes on past the choice answered by keyboard", false, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadlessOptions options;
    options.choices = {1};
    SkipRun s(options, c.stopsAtChoices, false, {1, 2, 3});
    if (c.byKeyboard)
      s.run.session().platform.onChoice = [&](const ChoiceView&) {
        HeadlessPlatform& p = s.run.session().platform;
        p.QueueKey(Key::Down);
        p.QueueKey(Key::Down);
        p.QueueKey(Key::Enter);
      };
    s.run.Script({"_textwait 0", "~00000001あ", "_selmenu 32,300,#FFFFFF,#C0C0C0,24",
                  "はい,,_$flg[1]=1", "いいえ,,_$flg[1]=2", "_endsel", "~00000002い",
                  "~00000003う"});
    EXPECT_EQ(s.run.Run(), 0);
    EXPECT_EQ(s.run.Flag(1), "2");
    EXPECT_EQ(s.run.session().platform.ClicksGiven(), c.clicks);
  }
}

TEST(Skip, ATransitionIsShownAtItsEndAtOnce) {
  struct Case {
    const char* name;
    std::function<void(GameRun&)> skip;
    bool cutShort;
  };
  const std::vector<Case> cases = {
      {"not skipping", [](GameRun&) {}, false},
      {"Ctrl held", [](GameRun& r) { r.session().platform.QueueCtrl(true); }, true},
      {"skipping read text",
       [](GameRun& r) { EngineProbe(r.session().engine).PokeClicks().SkipReadMode = true; }, true},
  };
  // Each way a script runs a transition, 300 ms into the run.
  const std::vector<std::vector<std::string_view>> scripts = {
      {"_bgload bg.png", "_delay 300", "_fade #BLEND0"},
      {"_bgload bg.png", "_delay 300", "_smartrefresh #BLEND0,#WIPE0,0"},
      {"_delay 300", "_autorefresh #BLEND0", "_bgload bg.png"},
  };
  std::ifstream hill(std::string(KORVANA_SOURCE_DIR) + "/games/demo/bghill.png", std::ios::binary);
  const std::string picture(std::istreambuf_iterator<char>(hill), {});
  for (const auto& script : scripts) {
    SCOPED_TRACE(script.back());
    Picture shown;
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      GameRun run;
      run.File("bg.png", picture);
      std::vector<std::string> lines(script.begin(), script.end());
      run.Script(lines);
      c.skip(run);
      EXPECT_EQ(run.Run(), 0);
      const uint64_t ms = run.session().platform.ElapsedMs();
      if (c.cutShort)
        EXPECT_EQ(ms, 300u);
      else
        EXPECT_GT(ms, 300u);
      // Cut short or not, the same end.
      if (shown.Empty())
        shown = run.probe().BackImage();
      else
        EXPECT_TRUE(shown.Pixels() == run.probe().BackImage().Pixels());
    }
  }
}

}  // namespace
}  // namespace korvana
