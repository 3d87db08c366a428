// The picture-only and message-only views of the pop-up menu over the layer
// stage: what each shows during its click wait and what it puts back.
#include "../layers/LayerFixture.h"
#include "text/HideViews.h"

namespace korvana::test {
namespace {

TEST(HideViews, PictureOnlyViewLeavesOutHiddenLayersAndDarkness) {
  Stage s;
  s.WriteMessage();
  s.textVisible = true;
  s.layers.settings.DarknessEnabled = true;
  s.layers.settings.TextHideMode = 1 | 8;
  s.layers.LoadBackground(s.Save("bg.png", Painted(640, 480, Scene1)));
  s.layers.LoadObject(0, s.Save("a.png", Picture(10, 10, 0x0000FF)), "#NONE");
  s.layers.SetObject(0, 1, "0", "0");
  s.layers.LoadObject(1, s.Save("b.png", Picture(10, 10, 0x00FF00)), "#NONE");
  s.layers.SetObject(1, 1, "20", "0");
  s.layers.LoadEffect(s.Save("e.png", Picture(10, 10, 0xFF0000)), "#NONE", 0);
  s.layers.SetEffect(1, "#COPY", 40, 0, 1);
  s.layers.RefreshScreen();
  const Picture before = s.back;
  s.platform.SetTimer1(true);

  ShowPictureOnlyView(s.layers, s.cursor);
  ASSERT_EQ(s.platform.clickWaitScreens.size(), 1u);
  const Picture& shown = s.platform.clickWaitScreens[0];
  EXPECT_EQ(shown.Pixel(5, 5), Scene1(5, 5));          // object 0 left out
  EXPECT_EQ(shown.Pixel(25, 5), 0x00FF00u);            // object 1, not darkened
  EXPECT_EQ(shown.Pixel(45, 5), Scene1(45, 5));        // effect left out
  EXPECT_EQ(shown.Pixel(100, 400), Scene1(100, 400));  // no message window
  EXPECT_EQ(FirstDifference(s.back, before), "");
  EXPECT_EQ(s.work.Pixel(25, 5), 0x00DF00u);  // the darkened scene again
  EXPECT_TRUE(s.platform.Timer1Enabled());
  EXPECT_TRUE(s.platform.PopupEnabled());
}

TEST(HideViews, MessageOnlyViewFillsByTextColour) {
  struct Case {
    uint32_t textColor;
    uint32_t fill;
  };
  const Case cases[] = {{0xFFFFFF, 0}, {0x00007F, 0}, {0x7E7E7E, 0xFFFFFF}, {0, 0xFFFFFF}};
  for (const Case& c : cases) {
    Stage s;
    s.WriteMessage();
    s.textVisible = true;
    s.back.Fill(0x555555);
    ShowMessageOnlyView(s.layers, s.cursor, c.textColor);
    ASSERT_EQ(s.platform.clickWaitScreens.size(), 1u);
    EXPECT_EQ(
        FirstDifference(s.platform.clickWaitScreens[0], s.WithMessage(Picture(640, 480, c.fill))),
        "");
    EXPECT_EQ(s.back.Pixel(0, 0), 0x555555u);
  }
  Stage hidden;
  ShowMessageOnlyView(hidden.layers, hidden.cursor, 0);
  EXPECT_TRUE(hidden.platform.clickWaitScreens.empty());
}

}  // namespace
}  // namespace korvana::test
