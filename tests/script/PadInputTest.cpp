// The game controller's buttons as the reader's actions: what each button
// does by default and after the reader changed it, and how a held direction
// repeats, on a clock the test moves.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "script/MenuTable.h"
#include "script/PadInput.h"

namespace korvana {
namespace {

using config::PadAction;

// Writes down what reached it, with the time it came at.
struct Recorder : PadTarget {
  uint32_t now = 0;
  std::vector<std::string> seen;
  std::vector<uint32_t> arrowsAt;
  void PadClick() override { seen.push_back("click"); }
  void PadMenu() override { seen.push_back("menu"); }
  void PadMenuItem(const char* name) override { seen.push_back(std::string("item ") + name); }
  void PadArrow(Key key) override {
    const char* names[] = {"esc", "space", "enter", "up", "down", "left", "right", "other"};
    seen.push_back(std::string("arrow ") + names[static_cast<int>(key)]);
    arrowsAt.push_back(now);
  }
  void PadSkip(bool held) override { seen.push_back(held ? "skip on" : "skip off"); }
  bool viewOpen = false;
  bool PadInView(PadAction action) override {
    if (viewOpen) seen.push_back("view " + std::string(config::PadActionName(action)));
    return viewOpen;
  }
};

TEST(PadInput, EachButtonDoesWhatItsMappingSays) {
  const struct {
    PadButton button;
    std::vector<std::string> pressed;   // on the press
    std::vector<std::string> released;  // added by the release
  } rows[] = {
      {PadButton::A, {"click"}, {}},
      {PadButton::B, {"menu"}, {}},
      {PadButton::X, {"item Khidetext"}, {}},
      {PadButton::Y, {"item Mback"}, {}},
      {PadButton::LB, {"item Xback"}, {}},
      {PadButton::RB, {"item Xforward"}, {}},
      {PadButton::LT, {"skip on"}, {"skip off"}},
      {PadButton::RT, {"item Xauto"}, {}},
      {PadButton::Start, {"item Msave"}, {}},
      {PadButton::Back, {"item Mload"}, {}},
      {PadButton::Up, {"arrow up"}, {}},
      {PadButton::Down, {"arrow down"}, {}},
      {PadButton::Left, {"arrow left"}, {}},
      {PadButton::Right, {"arrow right"}, {}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(PadButtonName(r.button)));
    Recorder target;
    PadInput pad(target);
    pad.Press(r.button, 0);
    EXPECT_EQ(target.seen, r.pressed);
    // Held without a release, a second press is no new one.
    pad.Press(r.button, 10);
    EXPECT_EQ(target.seen, r.pressed);
    pad.Release(r.button, 20);
    std::vector<std::string> all = r.pressed;
    all.insert(all.end(), r.released.begin(), r.released.end());
    EXPECT_EQ(target.seen, all);
  }
}

TEST(PadInput, EveryItemAnActionChoosesIsAnItemOfTheMenuTable) {
  const struct {
    PadAction action;
    const char* caption;  // nullptr: no item
  } rows[] = {
      {PadAction::HideText, "文字を消す"}, {PadAction::Log, "前の文章を読む"},
      {PadAction::Back, "一つ前に戻る"},   {PadAction::Forward, "次へ進む"},
      {PadAction::Auto, "オート"},         {PadAction::Save, "データ保存"},
      {PadAction::Load, "データ読み込み"}, {PadAction::Click, nullptr},
      {PadAction::Menu, nullptr},          {PadAction::Skip, nullptr},
      {PadAction::Up, nullptr},            {PadAction::None, nullptr},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(config::PadActionName(r.action)));
    const char* name = config::PadActionMenuItem(r.action);
    if (!r.caption) {
      EXPECT_EQ(name, nullptr);
      continue;
    }
    ASSERT_NE(name, nullptr);
    const MenuRow* row = FindMenuItem(MenuTable(), name);
    ASSERT_NE(row, nullptr);
    EXPECT_STREQ(row->caption, r.caption);
  }
}

TEST(PadInput, AChangedMappingIsWhatTheButtonsDo) {
  const struct {
    PadButton button;
    PadAction action;
    std::vector<std::string> seen;
  } rows[] = {
      {PadButton::A, PadAction::Auto, {"item Xauto"}},
      {PadButton::Y, PadAction::None, {}},
      {PadButton::Start, PadAction::Click, {"click"}},
      {PadButton::RB, PadAction::Skip, {"skip on", "skip off"}},
      {PadButton::Up, PadAction::Down, {"arrow down"}},
      {PadButton::X, PadAction::Left, {"arrow left"}},
      {PadButton::Back, PadAction::Menu, {"menu"}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(PadButtonName(r.button)));
    Recorder target;
    config::PadMapping mapping = config::DefaultPadMapping();
    mapping[static_cast<size_t>(r.button)] = r.action;
    PadInput pad(target, mapping);
    pad.Press(r.button, 0);
    pad.Release(r.button, 5);
    EXPECT_EQ(target.seen, r.seen);
  }
}

TEST(PadInput, AViewThatIsOpenTakesTheActionsAndTheirRepeats) {
  const struct {
    PadButton button;
    std::vector<std::string> seen;
  } rows[] = {
      {PadButton::A, {"view click"}},
      {PadButton::B, {"view menu"}},
      {PadButton::LB, {"view back"}},
      {PadButton::Down, {"view down", "view down"}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(std::string(PadButtonName(r.button)));
    Recorder target;
    target.viewOpen = true;
    PadInput pad(target);
    pad.Press(r.button, 0);
    pad.Tick(400);
    pad.Release(r.button, 450);
    EXPECT_EQ(target.seen, r.seen);
  }
}

TEST(PadInput, AHeldDirectionRepeatsAfterAPauseThenSteadily) {
  const struct {
    uint32_t start;
    uint32_t heldMs;
    std::vector<uint32_t> at;  // after the start
  } rows[] = {
      {0, 1000, {0, 400, 520, 640, 760, 880, 1000}},
      {0, 399, {0}},
      {0, 400, {0, 400}},
      {0, 519, {0, 400}},
      {5000, 640, {0, 400, 520, 640}},
      // The tick count wraps while the button is held.
      {0xFFFFFF00u, 700, {0, 400, 520, 640}},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.heldMs);
    Recorder target;
    PadInput pad(target);
    target.now = r.start;
    pad.Press(PadButton::Down, target.now);
    for (uint32_t t = 1; t <= r.heldMs; ++t) {
      target.now = r.start + t;
      pad.Tick(target.now);
    }
    pad.Release(PadButton::Down, target.now);
    // Nothing repeats once it is let go.
    for (uint32_t t = 1; t <= 1000; ++t) pad.Tick(target.now + t);
    std::vector<uint32_t> at;
    for (uint32_t when : target.arrowsAt) at.push_back(when - r.start);
    EXPECT_EQ(at, r.at);
  }
}

TEST(PadInput, TheLatestDirectionRepeatsAndAHostThatLooksLateGetsOneRepeat) {
  Recorder target;
  PadInput pad(target);
  pad.Press(PadButton::Down, 0);
  EXPECT_EQ(pad.NextRepeatIn(0), 400);
  target.now = 100;
  pad.Press(PadButton::Right, 100);  // the down stays held, but right repeats now
  EXPECT_EQ(pad.NextRepeatIn(100), 400);
  target.now = 500;
  pad.Tick(500);
  // Looked at only after a second: one repeat, the next a step later.
  target.now = 1500;
  pad.Tick(1500);
  EXPECT_EQ(pad.NextRepeatIn(1500), 120);
  pad.Release(PadButton::Right, 1500);
  EXPECT_EQ(pad.NextRepeatIn(1500), -1);
  EXPECT_EQ(target.seen, (std::vector<std::string>{"arrow down", "arrow right", "arrow right",
                                                   "arrow right"}));
  EXPECT_EQ(target.arrowsAt, (std::vector<uint32_t>{0, 100, 500, 1500}));
}

TEST(PadInput, LettingEverythingGoEndsASkipAndARepeat) {
  Recorder target;
  PadInput pad(target);
  pad.Press(PadButton::LT, 0);
  pad.Press(PadButton::Left, 0);
  pad.ReleaseAll();
  for (uint32_t t = 0; t <= 1000; t += 10) pad.Tick(t);
  EXPECT_EQ(target.seen, (std::vector<std::string>{"skip on", "arrow left", "skip off"}));
  EXPECT_FALSE(pad.Held(PadButton::LT));
  // A new mapping lets go the same way.
  pad.Press(PadButton::LT, 2000);
  pad.SetMapping(config::DefaultPadMapping());
  EXPECT_EQ(target.seen.back(), "skip off");
}

}  // namespace
}  // namespace korvana
