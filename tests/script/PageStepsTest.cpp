// A page back and forward again: a step back puts the story where loading a
// slot saved at that page would, the pages after it come back as they were
// read, a different choice starts a new future, and nothing on disk or in
// the global flags moves.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "GameRun.h"
#include "core/Cp932.h"
#include "graphics/Picture.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

using test::GameRun;

// Waits for input, counted as `--menu` counts them: 1 一頁, 2 二頁, 3 the
// choice, 4 三頁, 5 四頁, 6 五頁, 7 六頁. Every page clear from 二頁 on takes
// a save point; numbers are drawn before 一頁, after the choice and before 六頁.
const std::vector<std::string> kStory = {
    "_textwait 0",
    "_bgload bg1.png",
    "_refresh",
    "_$flg[1]=$sys[30]",
    "~00000001一頁&二頁&",
    "_selmenu 100,100",
    "左, , _$flg[3]=1",
    "右, , _$flg[3]=2",
    "_endsel",
    "_$flg[2]=$sys[30]",
    "_bgload bg2.png",
    "_refresh",
    "_$flg[300]=$flg[300]+1",
    "~00000002三頁&四頁&五頁&",
    "_$flg[4]=$sys[30]",
    "~00000003六頁&",
};

// What the reader sees and the game keeps at one wait for input.
struct Seen {
  std::vector<std::string> state, flags;
  PixelVector screen;
  std::vector<uint8_t> readRecord;
};

struct Story {
  explicit Story(HeadlessOptions options, const std::vector<std::string>& script = kStory)
      : choices(options.choices), run(std::move(options), Settings()) {
    run.Script(script);
    WritePng(Picture(640, 480, 0x336699), (run.dir().path() / "bg1.png").string());
    WritePng(Picture(640, 480, 0x993366), (run.dir().path() / "bg2.png").string());
    HeadlessSession& s = run.session();
    auto look = [this, &s] {
      const int wait = static_cast<int>(seen.size()) + 1;
      seen.push_back({s.StateDump(), s.FlagDump(), s.platform.Screen().Pixels(),
                      EngineProbe(s.engine).Message().record.Bytes()});
      if (auto it = atWait.find(wait); it != atWait.end()) it->second();
    };
    s.platform.onClickWait = look;
    // Looked at, then answered as the options say.
    s.platform.onChoice = [this, look, &s](const ChoiceView& view) {
      look();
      const size_t index = static_cast<size_t>(choices.at(chosen++));
      // The pointer comes from outside, as a hand would: a choice shown
      // again has the pointer resting where it chose before.
      s.platform.QueueMove(0, 0);
      s.platform.QueueMove(view.entries.at(index).x, view.entries.at(index).y);
      s.platform.QueueClick(view.entries.at(index).x, view.entries.at(index).y);
    };
  }
  static EngineSettings Settings() {
    EngineSettings settings;
    settings.textMaxIndex = 4;
    return settings;
  }
  int Run() { return run.Run(); }
  Engine& engine() { return run.session().engine; }

  std::vector<int64_t> choices;
  size_t chosen = 0;
  GameRun run;
  std::vector<Seen> seen;
  std::map<int, std::function<void()>> atWait;
};

HeadlessOptions Steps(std::vector<int64_t> choices, std::vector<std::pair<int, const char*>> menu) {
  HeadlessOptions options;
  options.choices = std::move(choices);
  for (const auto& [wait, item] : menu) options.menu.push_back({wait, item});
  return options;
}

TEST(PageSteps, ABackStepRestoresWhatLoadingASlotSavedAtThatPageRestores) {
  struct Case {
    const char* name;
    int saveAt, loadAt, loadedSeenAt;
    std::vector<int> backs;
    int steppedSeenAt;
  } const cases[] = {
      {"a page back inside a text line", 5, 6, 7, {6}, 7},
      {"back across a choice and a draw", 2, 4, 5, {4}, 5},
      {"two pages back to the choice", 3, 6, 7, {6, 7}, 8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Story loaded(Steps({0, 0}, {}));
    loaded.atWait[c.saveAt] = [&] { loaded.engine().WriteSlot(1); };
    loaded.atWait[c.loadAt] = [&] { loaded.engine().RequestLoadSlot(1); };
    ASSERT_EQ(loaded.Run(), 0);

    std::vector<std::pair<int, const char*>> menu;
    for (int wait : c.backs) menu.push_back({wait, "Xback"});
    Story stepped(Steps({0, 0}, menu));
    ASSERT_EQ(stepped.Run(), 0);
    EXPECT_EQ(stepped.run.Events("back").size(), c.backs.size());

    ASSERT_GE(loaded.seen.size(), static_cast<size_t>(c.loadedSeenAt));
    ASSERT_GE(stepped.seen.size(), static_cast<size_t>(c.steppedSeenAt));
    const Seen& a = loaded.seen[c.loadedSeenAt - 1];
    const Seen& b = stepped.seen[c.steppedSeenAt - 1];
    // The last line names the game's folder, which each run has its own of.
    EXPECT_EQ(std::vector(a.state.begin(), a.state.end() - 1),
              std::vector(b.state.begin(), b.state.end() - 1));
    EXPECT_EQ(a.flags, b.flags);
    EXPECT_TRUE(a.screen == b.screen);
    // And it is the page the reader saw there the first time.
    EXPECT_TRUE(b.screen == stepped.seen[c.saveAt - 1].screen);
  }
}

TEST(PageSteps, ForwardAndReadingOnReplayWhatWasReadUntilAChoiceDiffers) {
  Story straight(Steps({0}, {}));
  ASSERT_EQ(straight.Run(), 0);
  const std::vector<std::string> straightText = straight.run.Events("text");

  struct Case {
    const char* name;
    std::vector<int64_t> choices;
    std::vector<std::pair<int, const char*>> menu;
    std::vector<std::string> backs, forwards;
    // The story read to its end as before: same text, same numbers drawn.
    bool sameEnd;
    size_t forwardRefused;
  } const cases[] = {
      {"forward twice after two steps back",
       {0},
       {{7, "Xback"}, {8, "Xback"}, {9, "Xforward"}, {10, "Xforward"}},
       {"1", "2"},
       {"1", "0"},
       true,
       0},
      {"reading on after two steps back",
       {0},
       {{7, "Xback"}, {8, "Xback"}},
       {"1", "2"},
       {},
       true,
       0},
      {"the same choice again keeps the pages after it",
       {0, 0},
       {{7, "Xback"}, {8, "Xback"}, {9, "Xback"}, {12, "Xforward"}},
       {"1", "2", "3"},
       {"1"},
       true,
       0},
      {"another choice drops them",
       {0, 1},
       {{7, "Xback"}, {8, "Xback"}, {9, "Xback"}, {12, "Xforward"}},
       {"1", "2", "3"},
       {},
       false,
       1},
      // The choice is left unanswered and keeps its answer for next time.
      {"back from the choice itself, then forward to it",
       {0},
       {{3, "Xback"}, {4, "Xforward"}},
       {"1"},
       {"0"},
       true,
       0},
      {"back from a choice shown again, past it",
       {0, 1},
       {{7, "Xback"}, {8, "Xback"}, {9, "Xback"}, {10, "Xback"}},
       {"1", "2", "3", "4"},
       {},
       false,
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Story story(Steps(c.choices, c.menu));
    ASSERT_EQ(story.Run(), 0);
    EXPECT_EQ(story.run.Events("back"), c.backs);
    EXPECT_EQ(story.run.Events("forward"), c.forwards);
    size_t refused = 0;
    for (const std::string& m : story.run.Events("menu")) refused += m == "Xforward\tdisabled";
    EXPECT_EQ(refused, c.forwardRefused);
    const std::vector<std::string> text = story.run.Events("text");
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), straightText.back());
    if (c.sameEnd) {
      for (int flag : {1, 2, 3, 4}) EXPECT_EQ(story.run.Flag(flag), straight.run.Flag(flag)) << flag;
    } else {
      EXPECT_EQ(story.run.Flag(3), "2");
    }
    EXPECT_EQ(story.engine().Pages().Behind(), 0u);
  }
}

TEST(PageSteps, StepsLeaveFilesGlobalFlagsAndTheReadRecordAlone) {
  Story story(Steps({0}, {{6, "Xback"}}));
  using Files = std::map<std::string, std::string>;
  auto files = [&] {
    Files out;
    for (const auto& f : std::filesystem::directory_iterator(story.run.dir().path())) {
      std::ifstream in(f.path(), std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      out[f.path().filename().string()] = bytes.str();
    }
    return out;
  };
  Files before, after;
  story.atWait[2] = [&] { story.engine().WriteSlot(1); };
  story.atWait[6] = [&] { before = files(); };
  story.atWait[7] = [&] { after = files(); };
  ASSERT_EQ(story.Run(), 0);
  ASSERT_EQ(story.run.Events("back").size(), 1u);
  EXPECT_TRUE(before.count("data1.hsd"));
  EXPECT_EQ(before, after);
  // Flag 300 was counted up after the page gone back to, and stays.
  ASSERT_GE(story.seen.size(), 7u);
  EXPECT_EQ(story.seen[6].flags[300], "300 = 1");
  const std::vector<uint8_t>& read = story.seen[5].readRecord;
  ASSERT_FALSE(read.empty());
  EXPECT_NE(read[0], 0);
  for (size_t i = 0; i < read.size(); ++i)
    EXPECT_EQ(story.seen[6].readRecord[i] & read[i], read[i]) << i;
}

TEST(PageSteps, ASaveAfterAStepSavesThePageOnTheScreen) {
  // The same page reached by loading a slot and by a step back, then saved
  // to slot 2: the same files.
  Story loaded(Steps({0}, {}));
  loaded.atWait[5] = [&] { loaded.engine().WriteSlot(1); };
  loaded.atWait[6] = [&] { loaded.engine().RequestLoadSlot(1); };
  loaded.atWait[7] = [&] { loaded.engine().WriteSlot(2); };
  ASSERT_EQ(loaded.Run(), 0);
  Story stepped(Steps({0}, {{6, "Xback"}}));
  stepped.atWait[7] = [&] { stepped.engine().WriteSlot(2); };
  ASSERT_EQ(stepped.Run(), 0);
  ASSERT_EQ(stepped.run.Events("back").size(), 1u);
  for (const char* file : {"data2.hfd", "data2.hsd", "data2.hld"}) {
    SCOPED_TRACE(file);
    const std::string bytes = stepped.run.dir().Read(file);
    EXPECT_FALSE(bytes.empty());
    EXPECT_EQ(bytes, loaded.run.dir().Read(file));
  }
}

TEST(PageSteps, LoadingASlotOrReturningToTheTitleForgetsThePages) {
  struct Case {
    const char* name;
    std::function<void(Story&)> act;
    std::vector<int64_t> choices;
    std::vector<std::pair<int, const char*>> menu;
  } const cases[] = {
      // Loaded at 五頁: 四頁 again at 7, the only page kept.
      {"a slot loaded",
       [](Story& s) {
         s.atWait[5] = [&s] { s.engine().WriteSlot(1); };
         s.atWait[6] = [&s] { s.engine().RequestLoadSlot(1); };
       },
       {0},
       {{7, "Xback"}}},
      // Back at the start from 二頁: 一頁 at 3, 二頁 at 4.
      {"the title",
       [](Story& s) { s.atWait[2] = [&s] { s.engine().RequestTitleReturn(); }; },
       {0},
       {{4, "Xback"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Story story(Steps(c.choices, c.menu));
    c.act(story);
    ASSERT_EQ(story.Run(), 0);
    EXPECT_TRUE(story.run.Events("back").empty());
    EXPECT_EQ(story.run.Events("note"), (std::vector<std::string>{"これより前には戻れません"}));
  }
}

TEST(PageSteps, AHundredStepsBackThenTheNextIsRefusedWithANote) {
  const std::vector<std::string> loop = {
      "_textwait 0", ":top", "_$flg[1]=$flg[1]+1", "頁&", "_($flg[1]<130), _goto :top",
  };
  std::vector<std::pair<int, const char*>> menu;
  for (int wait = 130; wait <= 230; ++wait) menu.push_back({wait, "Xback"});
  Story story(Steps({}, menu), loop);
  std::string flagAtRefusal;
  story.atWait[230] = [&] { flagAtRefusal = story.run.Flag(1); };
  ASSERT_EQ(story.Run(), 0);
  const std::vector<std::string> backs = story.run.Events("back");
  ASSERT_EQ(backs.size(), 100u);
  for (size_t i = 0; i < backs.size(); ++i) EXPECT_EQ(backs[i], std::to_string(i + 1));
  EXPECT_EQ(story.run.Events("note"), (std::vector<std::string>{"これより前には戻れません"}));
  EXPECT_EQ(flagAtRefusal, "30");
  EXPECT_EQ(story.run.Flag(1), "130");
}

TEST(PageSteps, OfferedOnlyInClickWaitsWhereSavingIsAllowed) {
  struct Case {
    const char* name;
    std::vector<std::string> prefix;
    std::pair<int, const char*> menu;
    const char* menuLine;
    size_t notes;
  } const cases[] = {
      {"before the first page clear", {}, {1, "Xback"}, "Xback\tdisabled", 0},
      {"during a choice with saving switched off", {"_syssave 1"}, {3, "Xback"}, "Xback\tdisabled", 0},
      {"with saving switched off", {"_syssave 1"}, {2, "Xback"}, "Xback\tdisabled", 0},
      {"with nothing read after", {}, {4, "Xforward"}, "Xforward\tdisabled", 0},
      {"on the oldest page kept", {}, {2, "Xback"}, "Xback", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> script = c.prefix;
    script.insert(script.end(), kStory.begin(), kStory.end());
    Story story(Steps({0}, {c.menu}), script);
    ASSERT_EQ(story.Run(), 0);
    EXPECT_EQ(story.run.Events("menu"), (std::vector<std::string>{c.menuLine}));
    EXPECT_EQ(story.run.Events("note").size(), c.notes);
    EXPECT_TRUE(story.run.Events("back").empty());
  }
}

}  // namespace
}  // namespace korvana
