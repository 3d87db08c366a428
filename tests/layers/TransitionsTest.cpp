// The 36 transitions: names, step counts, virtual durations, final screens
// and intermediate frames computed here pixel by pixel from the geometry.
#include <set>

#include "LayerFixture.h"
#include "graphics/Transitions.h"

namespace korvana {
namespace {

using test::FirstDifference;
using test::Painted;
using test::Scene1;
using test::Scene2;
using test::Stage;

struct Expected {
  const char* name;
  int steps;
  int waitMs;
};
// Steps and waits of every name, written out from the geometry.
constexpr Expected kTable[] = {
    {"TILE0", 8, 5},     {"TILE1", 8, 5},     {"TILE2", 8, 5},     {"TILE3", 8, 5},
    {"TILEH0", 8, 0},    {"TILEH1", 8, 0},    {"TILEH2", 8, 0},    {"TILEH3", 8, 0},
    {"PAT0", 8, 3},      {"PAT1", 16, 1},     {"PAT2", 16, 1},     {"PAT3", 8, 4},
    {"PAT4", 8, 1},      {"WIPE0", 36, 10},   {"WIPE1", 36, 10},   {"WIPE2", 32, 10},
    {"WIPE3", 32, 10},   {"LINE0", 240, 4},   {"LINE1", 110, 2},   {"BLEND0", 17, 2},
    {"SCROLL0", 44, 1},  {"SCROLL1", 44, 1},  {"SCROLL2", 42, 5},  {"SCROLL3", 42, 5},
    {"TSCROLL0", 44, 1}, {"TSCROLL1", 44, 1}, {"TSCROLL2", 42, 5}, {"TSCROLL3", 42, 5},
    {"SLIDE0", 34, 10},  {"SLIDE1", 34, 10},  {"SLIDE2", 42, 10},  {"SLIDE3", 42, 10},
    {"TSLIDE0", 34, 10}, {"TSLIDE1", 34, 10}, {"TSLIDE2", 42, 10}, {"TSLIDE3", 42, 10},
};

// The old screen shows scene 1 with the message window; the layers hold
// scene 2 (not yet on the screen).
struct TransitionStage : Stage {
  explicit TransitionStage(bool text = true) {
    static const Picture one = Painted(640, 480, Scene1), two = Painted(640, 480, Scene2);
    WriteMessage();
    textVisible = text;
    SetBackground(one);
    layers.RefreshScreen();
    oldScreen = back;
    oldScene = work;
    SetBackground(two);
    newScene = two;
    newWithText = text ? WithMessage(newScene) : newScene;
  }
  Picture oldScreen, oldScene, newScene, newWithText;
};

TEST(Transitions, NamesStepsAndVirtualDurations) {
  ASSERT_EQ(AllTransitions().size(), std::size(kTable));
  std::set<std::string_view> seen;
  for (const Expected& e : kTable) {
    TransitionStage s;
    const uint64_t before = s.Elapsed();
    const int invalidations = s.platform.invalidations;
    RunTransition(s.layers, std::string("#") + e.name);
    EXPECT_EQ(s.platform.invalidations - invalidations, e.steps) << e.name;
    EXPECT_EQ(s.Elapsed() - before, static_cast<uint64_t>(e.steps * e.waitMs)) << e.name;
    seen.insert(e.name);
  }
  EXPECT_EQ(seen.size(), 36u);
}

TEST(Transitions, EveryFinalScreenIsTheNewSceneWithTheMessageWindow) {
  for (bool text : {true, false})
    for (const TransitionSpec& spec : AllTransitions()) {
      TransitionStage s(text);
      s.layers.LayersDirty = true;
      RunTransition(s.layers, "#" + std::string(spec.name));
      EXPECT_EQ(FirstDifference(s.back, s.newWithText), "") << spec.name << " text " << text;
      // The scene is recomposed without the window.
      EXPECT_EQ(FirstDifference(s.work, s.newScene), "") << spec.name;
      EXPECT_FALSE(s.layers.LayersDirty);
      EXPECT_TRUE(s.platform.PopupEnabled());
    }
}

TEST(Transitions, MarkerAndNameRules) {
  struct Case {
    const char* argument;
    bool runs;
  };
  const Case cases[] = {
      {"#TILE0", true},  {"xTILE0", true},    {"!TILE0", true},   {"TILE0", false},
      {"#tile0", false}, {"#TILE0 ", false},  {"#TILE01", false}, {"", false},
      {"#", false},      {"#TSCROLL0", true}, {"#BLEND0", true},  {"#BLEND", false},
  };
  for (const Case& c : cases) {
    TransitionStage s;
    s.platform.keepFrames = false;
    const uint64_t before = s.Elapsed();
    RunTransition(s.layers, c.argument);
    EXPECT_EQ(s.Elapsed() > before, c.runs) << c.argument;
    // Either way the scene is recomposed and the mark cleared; a name that
    // runs nothing leaves the screen alone.
    EXPECT_EQ(FirstDifference(s.work, s.newScene), "");
    EXPECT_FALSE(s.layers.LayersDirty);
    EXPECT_EQ(FirstDifference(s.back, c.runs ? s.newWithText : s.oldScreen), "") << c.argument;
  }
}

TEST(Transitions, EasingOffsets) {
  const std::vector<int> h = EasingOffsets(325, 640, 1);
  ASSERT_EQ(h.size(), 44u);
  EXPECT_EQ(std::vector<int>(h.begin(), h.begin() + 6), (std::vector<int>{0, 1, 3, 6, 10, 15}));
  EXPECT_EQ(std::vector<int>(h.end() - 2, h.end()), (std::vector<int>{631, 640}));
  const std::vector<int> v = EasingOffsets(240, 480, 1);
  ASSERT_EQ(v.size(), 42u);
  EXPECT_EQ(std::vector<int>(v.end() - 3, v.end()), (std::vector<int>{474, 478, 480}));
  const std::vector<int> slide = EasingOffsets(325, 640, 2);
  ASSERT_EQ(slide.size(), 34u);
  EXPECT_EQ(std::vector<int>(slide.begin(), slide.begin() + 5),
            (std::vector<int>{0, 2, 6, 12, 20}));
  EXPECT_EQ(std::vector<int>(slide.end() - 3, slide.end()), (std::vector<int>{628, 636, 640}));
}

// The screen after step `step` of `name`, drawn step by step.
Picture FrameAfter(TransitionStage& s, const char* name, int step) {
  const TransitionSpec* spec = FindTransition(std::string("#") + name);
  EXPECT_NE(spec, nullptr);
  s.layers.ScratchPicture.Resize(640, 480);
  TransitionPlayer player(s.layers, *spec);
  player.Prepare();
  for (int i = 0; i <= step; ++i) player.DrawStep(i);
  return s.back;
}

// Old screen where `isNew` is false, new scene (with the window) where true.
Picture Mixed(const TransitionStage& s, const std::function<bool(int, int)>& isNew) {
  return Painted(640, 480, [&](int x, int y) {
    return isNew(x, y) ? s.newWithText.Pixel(x, y) : s.oldScreen.Pixel(x, y);
  });
}

// Tile pattern 0 of the table: (row, column) pairs per step.
constexpr int kPattern0[8][4] = {{0, 0, 2, 2}, {0, 2, 2, 0}, {1, 1, 3, 3}, {1, 3, 3, 1},
                                 {0, 1, 2, 3}, {0, 3, 2, 1}, {1, 0, 3, 2}, {1, 2, 3, 0}};
bool Pattern0Done(int row, int column, int step) {
  for (int i = 0; i <= step; ++i)
    if ((kPattern0[i][0] == row && kPattern0[i][1] == column) ||
        (kPattern0[i][2] == row && kPattern0[i][3] == column))
      return true;
  return false;
}

TEST(TransitionFrames, Tile0AfterFourSteps) {
  for (bool text : {true, false}) {
    TransitionStage s(text);
    const Picture frame = FrameAfter(s, "TILE0", 3);
    const Picture expected = Mixed(s, [](int x, int y) { return Pattern0Done(y % 4, x % 4, 3); });
    EXPECT_EQ(FirstDifference(frame, expected), "") << text;
  }
}

TEST(TransitionFrames, Pat3BlocksAfterThreeSteps) {
  TransitionStage s;
  const Picture frame = FrameAfter(s, "PAT3", 2);
  const Picture expected =
      Mixed(s, [](int x, int y) { return Pattern0Done((y / 8) % 4, (x / 8) % 4, 2); });
  EXPECT_EQ(FirstDifference(frame, expected), "");
}

TEST(TransitionFrames, Pat2AfterSixSteps) {
  TransitionStage s;
  const Picture frame = FrameAfter(s, "PAT2", 5);
  const Picture expected = Mixed(s, [](int x, int y) {
    for (int st = 0; st <= 5; ++st) {
      if (y % 2 == 0 && (y + x - st) % 16 == 0) return true;
      const int even = 479 - y;
      if (y % 2 == 1 && (even + x + st) % 16 == 0) return true;
    }
    return false;
  });
  EXPECT_EQ(FirstDifference(frame, expected), "");
}

TEST(TransitionFrames, Pat1InBothHalves) {
  for (int step : {3, 11}) {
    TransitionStage s;
    const Picture frame = FrameAfter(s, "PAT1", step);
    const Picture expected = Mixed(s, [step](int x, int y) {
      for (int i = 0; i <= step; ++i) {
        const int st = i < 8 ? i : 15 - i;
        if ((x + y + st) % 8 != 0) continue;
        if (i < 8 ? x % 8 <= st : x % 8 >= st) return true;
      }
      return false;
    });
    EXPECT_EQ(FirstDifference(frame, expected), "") << step;
  }
}

TEST(TransitionFrames, WipesAfterElevenSteps) {
  struct Case {
    const char* name;
    std::function<bool(int, int, int)> isNew;  // x, y, steps done - 1
  };
  const Case cases[] = {
      // Strip j has swept q = i - j two-pixel columns from its left edge.
      {"WIPE0", [](int x, int, int i) { return (x % 40) / 2 + 1 <= i - x / 40; }},
      {"WIPE1",
       [](int x, int, int i) {
         const int m = 639 - x;
         return (m % 40) / 2 + 1 <= i - m / 40;
       }},
      {"WIPE2", [](int, int y, int i) { return (y % 40) / 2 + 1 <= i - y / 40; }},
      {"WIPE3",
       [](int, int y, int i) {
         const int m = 479 - y;
         return (m % 40) / 2 + 1 <= i - m / 40;
       }},
  };
  for (const Case& c : cases) {
    TransitionStage s;
    const Picture frame = FrameAfter(s, c.name, 10);
    const Picture expected = Mixed(s, [&](int x, int y) { return c.isNew(x, y, 10); });
    EXPECT_EQ(FirstDifference(frame, expected), "") << c.name;
  }
}

TEST(TransitionFrames, LinesPartWay) {
  {
    TransitionStage s;
    const Picture frame = FrameAfter(s, "LINE0", 50);
    const Picture expected =
        Mixed(s, [](int, int y) { return y % 4 < 2 ? y / 4 <= 50 : (479 - y) / 4 <= 50; });
    EXPECT_EQ(FirstDifference(frame, expected), "") << "LINE0";
  }
  {
    TransitionStage s;
    const Picture frame = FrameAfter(s, "LINE1", 40);
    const Picture expected = Mixed(s, [](int x, int y) {
      const int r = y / 16, q = 40 - r - 1, bx = x / 8;
      if (q < 0) return false;
      return (y % 16) < 8 ? bx <= q : 79 - bx <= q;
    });
    EXPECT_EQ(FirstDifference(frame, expected), "");
  }
}

TEST(TransitionFrames, Blend0MixesInSixteenths) {
  for (int step : {0, 5, 16}) {
    TransitionStage s;
    const Picture frame = FrameAfter(s, "BLEND0", step);
    const Picture expected = Painted(640, 480, [&](int x, int y) {
      const uint32_t n = s.newWithText.Pixel(x, y), o = s.oldScreen.Pixel(x, y);
      uint32_t out = 0;
      for (int sh = 0; sh < 24; sh += 8)
        out |= ((((n >> sh) & 0xFF) * step + ((o >> sh) & 0xFF) * (16 - step)) / 16) << sh;
      return out;
    });
    EXPECT_EQ(FirstDifference(frame, expected), "") << step;
  }
}

TEST(TransitionFrames, ScrollKeepsTheWindowStillAndTScrollMovesIt) {
  // Step 10 of a horizontal scroll stands at offset 55.
  {
    TransitionStage s;
    const Picture frame = FrameAfter(s, "SCROLL0", 10);
    const Picture expected = s.WithMessage(Painted(640, 480, [&](int x, int y) {
      return x < 585 ? s.oldScene.Pixel(x + 55, y) : s.newScene.Pixel(x - 585, y);
    }));
    EXPECT_EQ(FirstDifference(frame, expected), "");
  }
  {
    TransitionStage s;
    const Picture frame = FrameAfter(s, "TSCROLL0", 10);
    const Picture expected = Painted(640, 480, [&](int x, int y) {
      return x < 585 ? s.oldScreen.Pixel(x + 55, y) : s.newWithText.Pixel(x - 585, y);
    });
    EXPECT_EQ(FirstDifference(frame, expected), "");
  }
  {
    // Downward, step 5: offset 15; the old scene moves down.
    TransitionStage s;
    const Picture frame = FrameAfter(s, "SCROLL3", 5);
    const Picture expected = s.WithMessage(Painted(640, 480, [&](int x, int y) {
      return y >= 15 ? s.oldScene.Pixel(x, y - 15) : s.newScene.Pixel(x, y + 465);
    }));
    EXPECT_EQ(FirstDifference(frame, expected), "");
  }
}

TEST(TransitionFrames, SlidesComeInOverTheOldScreen) {
  {
    // SLIDE0 step 4: offset 20, the new scene's left edge at x = 620.
    TransitionStage s;
    const Picture frame = FrameAfter(s, "SLIDE0", 4);
    const Picture expected = s.WithMessage(Painted(640, 480, [&](int x, int y) {
      return x >= 620 ? s.newScene.Pixel(x - 620, y) : s.oldScreen.Pixel(x, y);
    }));
    EXPECT_EQ(FirstDifference(frame, expected), "");
  }
  {
    // TSLIDE3 step 6: offset 21, the new screen's bottom edge at y = 21.
    TransitionStage s;
    const Picture frame = FrameAfter(s, "TSLIDE3", 6);
    const Picture expected = Painted(640, 480, [&](int x, int y) {
      return y < 21 ? s.newWithText.Pixel(x, y + 459) : s.oldScreen.Pixel(x, y);
    });
    EXPECT_EQ(FirstDifference(frame, expected), "");
  }
}

TEST(Transitions, ASpriteFadesOutWithTheOldScreen) {
  TransitionStage s;
  s.layers.LoadSpriteSheet(s.Save("sp.png", Picture(10, 10, 0xFEDCBA)), 10, 10, "#NONE");
  s.layers.PutSprite(0, 5, 5);
  EXPECT_EQ(s.back.Pixel(7, 6), 0xFEDCBAu);
  const Picture frame = FrameAfter(s, "TILE0", 0);
  EXPECT_EQ(frame.Pixel(7, 6), 0xFEDCBAu);                  // cell (2, 3) is not copied at step 0
  EXPECT_EQ(frame.Pixel(6, 6), s.newWithText.Pixel(6, 6));  // cell (2, 2) is
  RunTransition(s.layers, "#TILE0");
  EXPECT_EQ(s.back.Pixel(7, 6), s.newWithText.Pixel(7, 6));
  EXPECT_EQ(s.layers.state.sprites[0].visible, 1);  // back at the next DrawSprites
}

TEST(Transitions, UnchangedLayersStillRunEveryStep) {
  TransitionStage s;
  RunTransition(s.layers, "#WIPE2");
  const uint64_t before = s.Elapsed();
  RunTransition(s.layers, "#WIPE2");
  EXPECT_EQ(s.Elapsed() - before, 320u);
  EXPECT_EQ(FirstDifference(s.back, s.newWithText), "");
}

}  // namespace
}  // namespace korvana
