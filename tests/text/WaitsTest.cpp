// Which waits happen where: character waits in virtual time, click waits at
// markers, the reading modes, the read-text record, Ctrl and the wheel.
#include <gtest/gtest.h>

#include <functional>

#include "TextSupport.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

using test::GameRun;

// Runs `lines` (UTF-8) as they are, after `prepare` has set up the engine.
template <typename Prepare>
void RunWith(GameRun& run, const std::vector<std::string>& lines, Prepare prepare) {
  std::string script;
  for (const std::string& l : lines) script += test::Sjis(l) + "\r\n";
  run.File("autorun.txt", script);
  prepare(run.session().engine, run.session().platform);
  run.Run();
}

TEST(Waits, CharacterWaitsInVirtualTime) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    bool highSpeed;
    uint64_t ms;
  };
  const std::vector<Case> cases = {
      {"default 1 ms", {"あいう"}, false, 3},
      {"_textwait 20", {"_textwait 20", "あいう"}, false, 60},
      {"W inline; the group is a step too", {"<W10>あい"}, false, 30},
      {"high speed skips positive waits", {"_textwait 20", "あいう"}, true, 0},
      {"negative waits even in high speed", {"_textwait -50", "あいう"}, true, 150},
      {"_textwait 0 never waits", {"_textwait 0", "あいう"}, false, 0},
      {"Q pauses without a click", {"_textwait 0", "<Q-300>あ"}, false, 300},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameRun run;
    RunWith(run, c.lines, [&](Engine& e, HeadlessPlatform&) {
      EngineProbe(e).PokeClicks().HighSpeedMode = c.highSpeed;
    });
    EXPECT_EQ(run.session().platform.ElapsedMs(), c.ms);
  }
}

TEST(Waits, AReleaseDuringSlowTextShowsTheRestAtOnce) {
  GameRun run;
  RunWith(run, {"_textwait 100", "あいうえ"},
          [](Engine&, HeadlessPlatform& p) { p.QueueClick(0, 0); });
  // The release arrives during the first character's wait; the line end
  // still needs its own click.
  EXPECT_EQ(run.session().platform.ElapsedMs(), 100u);
  EXPECT_EQ(run.session().platform.ClicksGiven(), 1);
}

TEST(Waits, PageUnitModeWaitsOnlyAtPageEnds) {
  GameRun run;
  RunWith(run, {"_textwait 0", "あ.い", "う", "<U80>え"},
          [](Engine& e, HeadlessPlatform&) { EngineProbe(e).PokeClicks().PageUnitMode = true; });
  EXPECT_EQ(run.session().platform.ClicksGiven(), 1);
  EXPECT_EQ(run.Events("text"), (std::vector<std::string>{"あ\\nい\\nう\\nえ", "\\f"}));
}

TEST(Waits, SkipModeRunsThroughReadLinesAndStopsAtTheFirstUnread) {
  GameRun run({}, [] {
    EngineSettings s;
    s.textMaxIndex = 4;
    return s;
  }());
  RunWith(run, {"~00000001あい", "~00000002うえ", "~00000001お"}, [](Engine& e, HeadlessPlatform&) {
    EngineProbe(e).PokeMessage().record.Create(4);
    EngineProbe(e).PokeMessage().record.MarkRead(1);
    EngineProbe(e).PokeClicks().SkipReadMode = true;
  });
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  // Line 1 without waits; line 2 at 1 ms a character and a click; line 3 too.
  EXPECT_EQ(run.session().platform.ElapsedMs(), 3u);
  EXPECT_EQ(run.session().platform.ClicksGiven(), 2);
  EXPECT_FALSE(probe.Clicks().SkipReadMode);
  EXPECT_TRUE(probe.Message().record.IsRead(2));
  EXPECT_FALSE(probe.Message().record.IsRead(3));
  EXPECT_EQ(probe.Message().record.Bytes()[0], 0x06);
}

TEST(Waits, SkipModeEndsOnLinesWithoutIdOrOutsideTheRecord) {
  for (std::string line : {"あ", "~00000040あ"}) {
    SCOPED_TRACE(line);
    GameRun run({}, [] {
      EngineSettings s;
      s.textMaxIndex = 4;
      return s;
    }());
    RunWith(run, {line},
            [](Engine& e, HeadlessPlatform&) { EngineProbe(e).PokeClicks().SkipReadMode = true; });
    EXPECT_FALSE(run.probe().Clicks().SkipReadMode);
    EXPECT_EQ(run.session().platform.ClicksGiven(), 1);
  }
}

TEST(Waits, WithoutARecordNothingIsMarkedAndSkippingIsOffered) {
  GameRun run;
  RunWith(run, {"~00000001あ"}, [](Engine&, HeadlessPlatform&) {});
  EXPECT_FALSE(run.probe().Message().record.Exists());
  EXPECT_FALSE(run.session().platform.MenuItemEnabled(MenuItem::SkipRead));
}

TEST(Waits, ClickWaitEnablesTheMenuItemsOnlyWhileItLasts) {
  const std::vector<MenuItem> items = {MenuItem::Load, MenuItem::TitleReturn,
                                       MenuItem::HideBackground, MenuItem::HideText,
                                       MenuItem::Darkness};
  // The run ends inside the first click wait when no click may be given.
  HeadlessOptions stopInWait;
  stopInWait.maxClicks = 0;
  GameRun waiting(stopInWait);
  RunWith(waiting, {"あ"}, [](Engine&, HeadlessPlatform&) {});
  for (MenuItem m : items) EXPECT_TRUE(waiting.session().platform.MenuItemEnabled(m));
  // No save point has been captured, so "データ保存" stays off.
  EXPECT_FALSE(waiting.session().platform.MenuItemEnabled(MenuItem::Save));

  GameRun done;
  RunWith(done, {"あ"}, [](Engine&, HeadlessPlatform&) {});
  for (MenuItem m : items) EXPECT_FALSE(done.session().platform.MenuItemEnabled(m));
}

TEST(Waits, CtrlHeldAloneAMomentAnswersEveryClickWait) {
  GameRun run;
  RunWith(run, {"_textwait 100", "あいう.え", "お&か"},
          [](Engine&, HeadlessPlatform& p) { p.QueueCtrl(true); });
  // Ctrl arrives in the first character's wait; the next two characters
  // still wait, and from 250 ms on nothing does.
  EXPECT_EQ(run.session().platform.ClicksGiven(), 0);
  EXPECT_EQ(run.session().platform.ElapsedMs(), 300u);
  EXPECT_EQ(run.Events("text"), (std::vector<std::string>{"あいう\\nえ\\nお\\fか\\n"}));
}

TEST(Waits, CtrlLetterRunsItsItemAtTheWaitAndNeverAdvances) {
  const struct {
    const char* item;
    std::vector<std::string> atTheWait;  // what the item shows there
    uint64_t ms;  // the character waits ("&" has one too, after its page-end wait)
    std::function<bool(Engine&)> done;
  } cases[] = {
      // Darkness is on at start; the shortcut switches it off.
      {"Mdarkness",
       {},
       70,
       [](Engine& e) { return !EngineProbe(e).Layers().settings.DarknessEnabled; }},
      {"Msave", {"dialog\tsave\tcancel"}, 70, nullptr},
      {"Mload", {"dialog\tload\tcancel"}, 70, nullptr},
      {"Ktxtwait", {}, 30, [](Engine& e) { return EngineProbe(e).Clicks().HighSpeedMode; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    GameRun run;
    int waits = 0;
    RunWith(run, {"_textclear", "_textwait 10", "一頁目&", "二頁目"},
            [&](Engine&, HeadlessPlatform& p) {
              p.onClickWait = [&p, &waits, &c] {
                if (++waits == 1) p.QueueShortcut(c.item);
              };
            });
    std::vector<std::string> seen;
    for (const std::string& line : run.Transcript())
      for (const char* kind : {"text\t", "menu\t", "dialog\t"})
        if (line.rfind(kind, 0) == 0) seen.push_back(line);
    std::vector<std::string> expected = {"text\t\\f一頁目", std::string("menu\t") + c.item};
    expected.insert(expected.end(), c.atTheWait.begin(), c.atTheWait.end());
    for (const char* line : {"text\t\\f二頁目", "text\t\\n"}) expected.push_back(line);
    EXPECT_EQ(seen, expected);
    // The first wait still took its own click, and the second page its time.
    EXPECT_EQ(run.session().platform.ClicksGiven(), 2);
    EXPECT_EQ(run.session().platform.ElapsedMs(), c.ms);
    if (c.done) {
      EXPECT_TRUE(c.done(run.session().engine));
    }
  }
}

TEST(Waits, CtrlReleasedWaitsAgain) {
  GameRun run;
  RunWith(run, {"_textwait 10", "あ", "い"}, [](Engine&, HeadlessPlatform& p) {
    p.QueueCtrl(true);
    p.QueueCtrl(false);
  });
  EXPECT_EQ(run.session().platform.ClicksGiven(), 2);
}

TEST(Waits, WheelUpInAClickWaitOpensTheLogAndDoesNotAdvance) {
  GameRun run;
  bool open = false;
  int page = -1;
  RunWith(run, {"_textwait 0", "一頁目&二頁目"}, [&](Engine& e, HeadlessPlatform& p) {
    p.QueueAction([] {});  // taken by the first wait's marker start
    p.QueueWheel(120);
    p.QueueAction([&] {
      open = EngineProbe(e).LogView().IsOpen();
      page = EngineProbe(e).LogView().LogViewOffset;
    });
    // EXIT, at the centre of its button.
    const ImageButton& exit = EngineProbe(e).LogView().TkBtn3;
    p.QueueClick(exit.Left + exit.Width / 2, exit.Top + exit.Height / 2);
  });
  EXPECT_TRUE(open);
  EXPECT_EQ(page, 0);
  EXPECT_FALSE(run.probe().LogView().IsOpen());
  // Both waits still took their own click: the wheel advanced nothing.
  EXPECT_EQ(run.session().platform.ClicksGiven(), 2);
  EXPECT_EQ(run.Events("text"), (std::vector<std::string>{"一頁目", "\\f二頁目", "\\n"}));
}

TEST(Waits, WheelOutsideAClickWaitOrDownwardsDoesNothing) {
  GameRun run;
  RunWith(run, {"_textwait 5", "あいう"}, [](Engine&, HeadlessPlatform& p) {
    p.QueueWheel(120);  // during a character wait
    p.QueueWheel(-120);
  });
  EXPECT_FALSE(run.probe().LogView().IsOpen());
  EXPECT_EQ(run.session().platform.ClicksGiven(), 1);
}

TEST(Waits, EnterDuringATimedWaitDoesNotClick) {
  GameRun run;
  RunWith(run, {"_delay 50", "_$flg[1]=1"},
          [](Engine&, HeadlessPlatform& p) { p.QueueKey(Key::Enter); });
  EXPECT_FALSE(run.probe().Clicks().ClickFlag);
  EXPECT_EQ(run.session().platform.ElapsedMs(), 50u);
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

TEST(Waits, SpaceOnlySwitchesPageUnitModeOffAndTogglesKeepTheirMarks) {
  test::GameRun run;
  RunWith(run, {"_textwait 5", "あい"}, [](Engine& e, HeadlessPlatform& p) {
    EngineProbe(e).PokeClicks().PageUnitMode = true;
    p.QueueKey(Key::Space);
    p.QueueKey(Key::Space);  // does not switch it back on
  });
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  HeadlessPlatform& p = run.session().platform;
  EXPECT_FALSE(probe.Clicks().PageUnitMode);
  EXPECT_FALSE(p.MenuItemChecked(MenuItem::PageUnit));
  e.ToggleHighSpeed();
  EXPECT_TRUE(probe.Clicks().HighSpeedMode);
  EXPECT_TRUE(p.MenuItemChecked(MenuItem::HighSpeed));
  e.TogglePageUnit();
  EXPECT_TRUE(p.MenuItemChecked(MenuItem::PageUnit));
  probe.PokeClicks().ClickFlag = true;
  e.StartSkipRead();
  EXPECT_TRUE(probe.Clicks().SkipReadMode);
  EXPECT_FALSE(probe.Clicks().ClickFlag);
}

}  // namespace
}  // namespace korvana
