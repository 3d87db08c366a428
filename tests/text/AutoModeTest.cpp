// Auto mode: a text click wait ends by itself after the reader's time for
// the page, in virtual time; it waits for a voice, stops when the reader
// takes over, never answers a choice, and shows a mark while it is on.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "GameRun.h"
#include "SoundFiles.h"
#include "core/ScreenSize.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

using test::GameRun;

HeadlessOptions AutoAtFirstWait(std::vector<HeadlessOptions::MenuChoice> more = {}) {
  HeadlessOptions options;
  options.menu = {{1, "Xauto"}};
  options.menu.insert(options.menu.end(), more.begin(), more.end());
  return options;
}

EngineSettings WithReader(int32_t baseMs, int32_t perCharMs) {
  EngineSettings settings;
  settings.reader.autoBaseMs = baseMs;
  settings.reader.autoPerCharMs = perCharMs;
  return settings;
}

// The transcript's auto lines in order ("on", "off").
std::vector<std::string> AutoEvents(const GameRun& run) {
  return run.Events("auto");
}

TEST(AutoMode, AWaitEndsAfterTheBaseAndTheTimeForEachCharacterOfThePage) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    int32_t baseMs, perCharMs;
    uint64_t ms;  // the whole run, text drawn without character waits
  };
  const std::vector<Case> cases = {
      {"one wait, three characters", {"あいう"}, 1500, 40, 1500 + 3 * 40},
      {"characters, not bytes", {"abcあ"}, 1000, 10, 1000 + 4 * 10},
      {"the page so far counts at its second wait", {"あいう", "えお"}, 100, 50,
       (100 + 3 * 50) + (100 + 5 * 50)},
      {"a cleared page starts again", {"あいう", "_textclear", "えお"}, 100, 50,
       (100 + 3 * 50) + (100 + 2 * 50)},
      {"a wait inside the line", {"あい.う"}, 200, 10, (200 + 2 * 10) + (200 + 3 * 10)},
      {"no time at all", {"あいう"}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameRun run(AutoAtFirstWait(), WithReader(c.baseMs, c.perCharMs));
    std::vector<std::string> lines = {"_textwait 0"};
    lines.insert(lines.end(), c.lines.begin(), c.lines.end());
    run.Script(lines);
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.session().platform.ElapsedMs(), c.ms);
    EXPECT_EQ(run.session().platform.ClicksGiven(), 0);
    EXPECT_EQ(AutoEvents(run), (std::vector<std::string>{"on"}));
    EXPECT_TRUE(run.session().platform.MenuItemChecked(MenuItem::Auto));
  }
}

TEST(AutoMode, NewSettingsCountFromTheWaitThatIsRunning) {
  GameRun run(AutoAtFirstWait(), WithReader(5000, 0));
  run.Script({"_textwait 0", "あ", "い"});
  int waits = 0;
  run.session().platform.onClickWait = [&] {
    if (++waits != 1) return;
    config::ReaderSettings quicker = run.session().engine.Reader();
    quicker.autoBaseMs = 300;
    run.session().engine.SetReaderSettings(quicker);
  };
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(run.session().platform.ElapsedMs(), 600u);
}

TEST(AutoMode, AVoiceIsHeardOutBeforeThePageTurnsAndOtherSoundsAreNot) {
  struct Case {
    const char* name;
    const char* line;
    uint64_t ms;
    size_t soundEvents;  // the sound's play, and its end when the run lasted
  };
  // The first wait turns auto mode on after 100 ms for "あ"; the sound is
  // 3 s long and the second page holds one character.
  const std::vector<Case> cases = {
      {"a voice: the whole time after it", R"(<V"long.wav">い)", 100 + 3000 + 100, 2},
      {"a short sound does not hold the page", R"(<O"long.wav">い)", 100 + 100, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameRun run(AutoAtFirstWait(), WithReader(100, 0));
    run.File("long.wav", test::WavBytes(test::Tone(3000, 440, 8000)));
    run.Script({"_textwait 0", "あ", "_textclear", c.line});
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.session().platform.ElapsedMs(), c.ms);
    EXPECT_EQ(run.Events("sound").size(), c.soundEvents);
  }
}

TEST(AutoMode, TheReaderTakingOverStopsIt) {
  struct Case {
    const char* name;
    std::function<void(HeadlessPlatform&)> atSecondWait;  // input the reader gives
    std::vector<HeadlessOptions::MenuChoice> menu;
    int64_t clicks;  // clicks the headless window gave the waits after it
  };
  const std::vector<Case> cases = {
      {"a click", [](HeadlessPlatform& p) { p.QueueClick(0, 0); }, {}, 1},
      {"a key", [](HeadlessPlatform& p) { p.QueueKey(Key::Enter); }, {}, 1},
      {"another menu item", nullptr, {{2, "Ktxtwait"}}, 2},
      {"its own item again", nullptr, {{2, "Xauto"}}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GameRun run(AutoAtFirstWait(c.menu), WithReader(400, 0));
    run.Script({"_textwait 0", "あ", "い", "う"});
    int waits = 0;
    run.session().platform.onClickWait = [&] {
      if (++waits == 2 && c.atSecondWait) c.atSecondWait(run.session().platform);
    };
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(AutoEvents(run), (std::vector<std::string>{"on", "off"}));
    EXPECT_FALSE(run.session().platform.MenuItemChecked(MenuItem::Auto));
    // Only the first wait ended by itself; the others waited for clicks.
    EXPECT_EQ(run.session().platform.ElapsedMs(), 400u);
    EXPECT_EQ(run.session().platform.ClicksGiven(), c.clicks);
  }
}

TEST(AutoMode, TheRightButtonLeavesItToThePopUpMenuWhichRestartsItsTime) {
  // The right press opens the menu, where "オート" may be the item chosen: a
  // press that stopped auto mode would make that item turn it on again.
  GameRun run(AutoAtFirstWait(), WithReader(400, 0));
  run.Script({"_textwait 0", "あ", "い"});
  HeadlessPlatform& platform = run.session().platform;
  Engine& engine = run.session().engine;
  int waits = 0;
  platform.onClickWait = [&] {
    if (++waits != 2) return;
    platform.QueueAction([&] {
      engine.OnMouseDown(0, 0, MouseButton::Right);
      engine.MenuOpened(true);
    });
    platform.QueueAction([&] { engine.MenuOpened(false); });
  };
  EXPECT_EQ(run.Run(), 0);
  EXPECT_EQ(AutoEvents(run), std::vector<std::string>{"on"});
  // Both waits ended by themselves, the second a whole delay after the menu.
  EXPECT_EQ(platform.ElapsedMs(), 800u);
  EXPECT_EQ(platform.ClicksGiven(), 0);
}

TEST(AutoMode, ItNeverAnswersAChoiceAndAnAnsweredChoiceKeepsItOn) {
  const std::vector<std::string> script = {
      "_textwait 0",         "あ",   "_selmenu 32,300,#FFFFFF,#C0C0C0,24",
      "はい,,_$flg[1]=1",  "いいえ,,_$flg[1]=2", "_endsel", "い"};
  {
    SCOPED_TRACE("a choice nobody answers");
    GameRun run(AutoAtFirstWait(), WithReader(100, 0));
    run.Script(script);
    run.session().platform.onChoice = [](const ChoiceView&) {};
    run.Run();
    EXPECT_EQ(run.session().endReason, "waiting for input that never comes");
    EXPECT_EQ(run.Flag(1), "0");
    EXPECT_TRUE(run.session().platform.MenuItemChecked(MenuItem::Auto));
  }
  {
    SCOPED_TRACE("a choice the reader answers");
    HeadlessOptions options = AutoAtFirstWait();
    options.choices = {1};
    GameRun run(options, WithReader(100, 0));
    run.Script(script);
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.Flag(1), "2");
    EXPECT_EQ(AutoEvents(run), (std::vector<std::string>{"on"}));
    EXPECT_EQ(run.session().platform.ClicksGiven(), 0);
  }
}

// The screen during each wait of a run of two lines and at its end.
struct Screens {
  Picture waits[2], end;
};
Screens TwoLines(bool autoOn) {
  HeadlessOptions options = autoOn ? AutoAtFirstWait() : HeadlessOptions{};
  GameRun run(options, WithReader(100, 0));
  run.Script({"_textwait 0", "あいう", "えお"});
  Screens screens;
  int waits = 0;
  run.session().platform.onClickWait = [&] {
    if (waits < 2) screens.waits[waits++] = run.probe().BackImage();
  };
  EXPECT_EQ(run.Run(), 0);
  screens.end = run.probe().BackImage();
  return screens;
}

TEST(AutoMode, AMarkBesideTheMarkerShowsItIsOnAndLeavesNoTrace) {
  const Screens off = TwoLines(false), on = TwoLines(true);
  // The first wait turns auto mode on (the mark shows at once), the second
  // starts with it on.
  for (int wait = 0; wait < 2; ++wait) {
    SCOPED_TRACE(wait + 1);
    const Picture &with = on.waits[wait], &without = off.waits[wait];
    ASSERT_FALSE(with.Empty());
    ASSERT_FALSE(without.Empty());
    // The screens differ only in a small square, there in the mark's white.
    int left = kScreenWidth, right = -1, top = kScreenHeight, bottom = -1, white = 0;
    for (int y = 0; y < kScreenHeight; ++y)
      for (int x = 0; x < kScreenWidth; ++x) {
        if (with.Pixel(x, y) == without.Pixel(x, y)) continue;
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
        white += with.Pixel(x, y) == 0xFFFFFF;
      }
    ASSERT_GE(right, 0) << "no mark drawn";
    EXPECT_LE(right - left, 12);
    EXPECT_LE(bottom - top, 12);
    EXPECT_GT(white, 30);
  }
  // Once the wait is over the mark is gone with the marker.
  EXPECT_TRUE(on.end.Pixels() == off.end.Pixels());
}

}  // namespace
}  // namespace korvana
