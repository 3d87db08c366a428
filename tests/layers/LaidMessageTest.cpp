// A message window that names the pictures it lays is laid by the refresh in
// the pass that composes the scene: the screen is the one a window that
// lays itself gets.
#include "LayerFixture.h"

namespace korvana {
namespace {

using test::FirstDifference;
using test::Painted;
using test::Scene1;
using test::Scene2;
using test::Stage;

// The stage's message window, with its pictures named while it shows.
struct NamingMessage : MessageWindow {
  explicit NamingMessage(const test::TestMessage& shown) : inner(shown) {}
  bool MessageVisible() const override { return inner.MessageVisible(); }
  bool OverlayMessage(Picture& target) const override { return inner.OverlayMessage(target); }
  LaidPictures Laid() const override {
    if (!inner.visible) return {};
    return {&inner.mask, &inner.image};
  }
  const test::TestMessage& inner;
};

TEST(LaidMessage, RefreshGivesTheScreenOfAWindowThatLaysItself) {
  struct Case {
    const char* what;
    bool visible, darkness;
    int effectPosition;
  };
  const Case cases[] = {
      {"text shown over a darkened scene", true, true, 1},
      {"text shown, the effect under the objects", true, false, 0},
      {"text hidden", false, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Stage s;
    s.WriteMessage();
    s.textVisible = c.visible;
    s.layers.settings.DarknessEnabled = c.darkness;
    s.SetBackground(Painted(640, 480, Scene1));
    s.layers.LoadObject(0, s.Save("o.png", Painted(90, 70, Scene2)), "#TOP_LEFT");
    s.layers.SetObject(0, 1, "300", "400");
    s.layers.LoadEffect(s.Save("e.png", Painted(200, 150, Scene2)), "#000000", 0);
    s.layers.SetEffect(1, "#SCREEN", 250, 350, c.effectPosition);
    ASSERT_TRUE(s.errors.errors.empty());

    NamingMessage naming(s.message);
    Layers laid{LayerEnvironment{s.platform, s.platform, s.platform, s.errors, s.waits, s.click,
                                 s.files, s.screen, naming, s.switches, s.expressions.eval}};
    laid.state = s.layers.state;
    laid.settings = s.layers.settings;
    laid.backgroundPresent = true;
    laid.BackgroundLayer = s.layers.BackgroundLayer;
    laid.objectPictures = s.layers.objectPictures;
    laid.objectMasks = s.layers.objectMasks;
    laid.EffectLayer = s.layers.EffectLayer;
    laid.EffectMask = s.layers.EffectMask;

    s.back.Fill(0x777777);
    s.layers.LayersDirty = true;
    s.layers.RefreshScreen();
    const Picture expectedBack = s.back, expectedWork = s.work;
    s.back.Fill(0x777777);
    s.work.Fill(0x777777);
    laid.LayersDirty = true;
    laid.RefreshScreen();
    EXPECT_EQ(FirstDifference(s.back, expectedBack), "");
    EXPECT_EQ(FirstDifference(s.work, expectedWork), "");
    EXPECT_EQ(laid.LayersDirty, s.layers.LayersDirty);
  }
}

}  // namespace
}  // namespace korvana
