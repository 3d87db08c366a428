// Composition, refresh, darkness, objects, the effect layer, sprites,
// numbered pictures and the darkness switch (the hide views are
// tests/text/HideViewsTest.cpp).
#include "LayerFixture.h"
#include "core/Cp932.h"
#include "graphics/Transitions.h"

namespace korvana {
namespace {

using test::FirstDifference;
using test::Painted;
using test::Scene1;
using test::Scene2;
using test::Stage;

constexpr uint32_t kKey = 0x00FF00;  // green, the colour key of the objects

// An object w × h of colour `c` with a green (keyed) frame one pixel wide
// and its top-left corner green, so "#TOP_LEFT" keys the frame.
Picture FramedObject(int w, int h, uint32_t c) {
  return Painted(w, h, [&](int x, int y) {
    return x == 0 || y == 0 || x == w - 1 || y == h - 1 ? kKey : c + static_cast<uint32_t>(x);
  });
}

TEST(Compose, BackgroundEffectsObjectsInOrder) {
  Stage s;
  s.layers.LoadBackground(s.Save("bg.png", Painted(700, 500, Scene1)));
  // A keyed object at (100, 50) and an opaque one overlapping it.
  s.layers.LoadObject(0, s.Save("o0.png", FramedObject(60, 40, 0x200000)), "#TOP_LEFT");
  s.layers.SetObject(0, 1, "100", "50");
  s.layers.LoadObject(1, s.Save("o1.png", Painted(20, 20, [](int, int) { return 0x0000AA; })),
                      "#NONE");
  s.layers.SetObject(1, 1, "150", "80");
  // The effect below the objects: XOR with 0x0F0F0F over (90..109, 40..59).
  s.layers.LoadEffect(s.Save("ef.png", Painted(20, 20, [](int, int) { return 0x0F0F0F; })), "#NONE",
                      0);
  s.layers.SetEffect(1, "#XOR", 90, 40, 0);
  ASSERT_TRUE(s.errors.errors.empty());
  s.layers.ComposeScene();

  auto expected = Painted(640, 480, Scene1);
  for (int y = 40; y < 60; ++y)
    for (int x = 90; x < 110; ++x) expected.SetPixel(x, y, expected.Pixel(x, y) ^ 0x0F0F0F);
  for (int y = 51; y < 89; ++y)
    for (int x = 101; x < 159; ++x) expected.SetPixel(x, y, 0x200000 + (x - 100));
  for (int y = 80; y < 100; ++y)
    for (int x = 150; x < 170; ++x) expected.SetPixel(x, y, 0x0000AA);
  EXPECT_EQ(FirstDifference(s.work, expected), "");

  // Position 1 puts the effect above the objects.
  s.layers.SetEffect(1, "#XOR", 140, 70, 1);
  s.layers.ComposeScene();
  EXPECT_EQ(s.work.Pixel(150, 80), 0x0000AAu ^ 0x0F0F0F);
  // Any other position leaves it out.
  s.layers.SetEffect(1, "#XOR", 140, 70, 3);
  s.layers.ComposeScene();
  EXPECT_EQ(s.work.Pixel(150, 80), 0x0000AAu);
}

TEST(Compose, WithoutBackgroundTheSceneKeepsWhatItHeld) {
  Stage s;
  s.work.Fill(0x123456);
  s.layers.ComposeScene();
  EXPECT_EQ(s.work.Pixel(10, 10), 0x123456u);
}

TEST(Compose, SmallBackgroundLeavesBlackBeyondItsEdges) {
  Stage s;
  s.work.Fill(0x123456);
  s.layers.LoadBackground(s.Save("bg.png", Painted(100, 50, Scene2)));
  s.layers.ComposeScene();
  EXPECT_EQ(s.work.Pixel(99, 49), Scene2(99, 49));
  EXPECT_EQ(s.work.Pixel(100, 10), 0u);
  EXPECT_EQ(s.work.Pixel(10, 50), 0u);
}

TEST(Compose, DarknessArithmetic) {
  struct Case {
    int32_t rate;
    bool enabled, suppressed;
    uint32_t expected;
  };
  // 0xFF8041 per channel: (c × (256 − rate)) >> 8.
  const Case cases[] = {
      {0, true, false, 0xFF8041},   {32, true, false, 0xDF7038},  {256, true, false, 0x000000},
      {128, true, false, 0x7F4020}, {32, false, false, 0xFF8041}, {32, true, true, 0xFF8041},
  };
  for (const Case& c : cases) {
    Stage s;
    s.layers.LoadBackground(s.Save("bg.png", Picture(640, 480, 0xFF8041)));
    s.layers.settings.DarknessRate = c.rate;
    s.layers.settings.DarknessEnabled = c.enabled;
    s.switches.DarknessSuppressed = c.suppressed;
    s.layers.ComposeScene();
    EXPECT_EQ(s.work.Pixel(5, 5), c.expected) << c.rate << c.enabled << c.suppressed;
    EXPECT_EQ(s.work.Pixel(639, 479), c.expected);
  }
}

TEST(Compose, ObjectsAndEffectsClipAtEveryEdge) {
  struct Case {
    int x, y;
  };
  const Case cases[] = {{-20, -10},   {620, 460},       {-49, 200}, {300, -39},
                        {639, 479},   {-50, 0},         {640, 0},   {0, 480},
                        {-100000, 5}, {100000, 100000}, {300, 200}, {0, 0}};
  const Picture object = Painted(50, 40, [](int x, int y) { return 0x400000 | (y << 8) | x; });
  for (const Case& c : cases) {
    Stage s;
    s.layers.LoadBackground(s.Save("bg.png", Painted(640, 480, Scene1)));
    s.layers.LoadObject(2, s.Save("o.png", object), "#NONE");
    s.layers.SetObject(2, 1, std::to_string(c.x), std::to_string(c.y));
    // The same picture as an effect ADDed (#INCREASE) with its own mask
    // keyed on nothing, 100 pixels to the right.
    s.layers.LoadEffect(s.Save("e.png", object), "#000001", 0);
    s.layers.SetEffect(1, "#INCREASE", c.x + 100, c.y, 1);
    s.layers.ComposeScene();
    Picture expected = Painted(640, 480, Scene1);
    for (int y = 0; y < 480; ++y)
      for (int x = 0; x < 640; ++x) {
        const int64_t ox = int64_t{x} - c.x, oy = int64_t{y} - c.y;
        if (ox >= 0 && ox < 50 && oy >= 0 && oy < 40)
          expected.SetPixel(x, y, object.Pixel(static_cast<int>(ox), static_cast<int>(oy)));
        const int64_t ex = ox - 100;
        if (ex >= 0 && ex < 50 && oy >= 0 && oy < 40) {
          const uint32_t d = expected.Pixel(x, y),
                         v = object.Pixel(static_cast<int>(ex), static_cast<int>(oy));
          uint32_t out = 0;
          for (int sh = 0; sh < 24; sh += 8)
            out |= std::min<uint32_t>(255, ((d >> sh) & 0xFF) + ((v >> sh) & 0xFF)) << sh;
          expected.SetPixel(x, y, out);
        }
      }
    EXPECT_EQ(FirstDifference(s.work, expected), "") << c.x << "," << c.y;
  }
}

TEST(Refresh, LaysTheMessageWindowOverTheSceneWhileTextIsVisible) {
  for (bool visible : {true, false}) {
    Stage s;
    s.WriteMessage();
    s.textVisible = visible;
    s.layers.LoadBackground(s.Save("bg.png", Painted(640, 480, Scene1)));
    EXPECT_TRUE(s.layers.LayersDirty);
    s.layers.RefreshScreen();
    const Picture scene = Painted(640, 480, Scene1);
    EXPECT_EQ(FirstDifference(s.back, visible ? s.WithMessage(scene) : scene), "");
    EXPECT_EQ(FirstDifference(s.work, scene), "");
    // Only a refresh that shows the message window clears the mark.
    EXPECT_EQ(s.layers.LayersDirty, !visible);
  }
}

TEST(Refresh, AutomaticRefreshModes) {
  // What the named transition does on its own: its steps and its time.
  Stage alone;
  alone.SetBackground(Picture(640, 480, 0x112233));
  RunTransition(alone.layers, "#WIPE2");
  const int steps = alone.platform.invalidations;
  const uint64_t time = alone.Elapsed();
  ASSERT_GT(steps, 1);

  Stage s;
  const std::string bg = s.Save("bg.png", Picture(640, 480, 0x445566));
  s.layers.LoadBackground(bg);
  EXPECT_EQ(s.back.Pixel(0, 0), 0u);  // mode "0": nothing on the screen yet
  s.layers.state.AutoRefreshMode = "1";
  s.layers.LoadBackground(bg);
  EXPECT_EQ(s.back.Pixel(0, 0), 0x445566u);
  s.layers.state.AutoRefreshMode = "#WIPE2";
  for (auto command : {+[](Layers& l) { l.SetEffect(0, "#COPY", 0, 0, 0); },
                       +[](Layers& l) { l.ClearObjects(0); }}) {
    s.SetBackground(Picture(640, 480, s.back.Pixel(0, 0) == 0x112233 ? 0x445566 : 0x112233));
    const int before = s.platform.invalidations;
    const uint64_t start = s.Elapsed();
    command(s.layers);
    EXPECT_EQ(s.platform.invalidations - before, steps);
    EXPECT_EQ(s.Elapsed() - start, time);
    EXPECT_EQ(FirstDifference(s.back, s.layers.BackgroundLayer), "");
  }
}

TEST(Objects, PositionKeywordsAndExpressions) {
  struct Case {
    int w, h;
    std::string x, y;
    int32_t ex, ey;
  };
  const Case cases[] = {
      {100, 80, "#LEFT", "#TOP", 0, 0},         {100, 80, "#CENTER", "#CENTER", 270, 200},
      {100, 80, "#RIGHT", "#BOTTOM", 540, 400}, {641, 481, "#CENTER", "#CENTER", 0, 0},
      {641, 10, "#RIGHT", "#BOTTOM", -1, 470},  {100, 80, "#center", "#LEFT", 0, 0},
      {100, 80, "-35", "#RIGHT", -35, 0},       {100, 80, "#TOP", "#BOTTOM", 0, 400},
  };
  for (const Case& c : cases) {
    Stage s;
    s.layers.LoadObject(1, s.Save("o.png", Picture(c.w, c.h, 0x111111)), "#NONE");
    s.layers.SetObject(1, 1, c.x, c.y);
    EXPECT_EQ(s.layers.state.objectRecords[2].x, c.ex) << c.x;
    EXPECT_EQ(s.layers.state.objectRecords[2].y, c.ey) << c.y;
  }
}

TEST(Objects, LoadPutSetClearLifecycle) {
  Stage s;
  const std::string a = s.Save("a.png", Picture(30, 20, 0x101010));
  const std::string mask =
      s.Save("m.png", Painted(30, 20, [](int x, int) { return x < 10 ? 0xFFFFFF : 0; }));
  s.layers.LoadObject(1, a, "#NONE");
  const LayerRecord& r = s.layers.state.objectRecords[2];
  EXPECT_EQ(r.loaded, 1);
  EXPECT_EQ(r.shown, 0);
  EXPECT_EQ(r.colorKey, kNoTransparency);
  s.layers.SetObject(1, 1, "40", "50");
  // Putting again with empty positions keeps the place it had.
  s.layers.PutObject(1, a, mask, "", "");
  EXPECT_EQ(r.x, 40);
  EXPECT_EQ(r.y, 50);
  EXPECT_EQ(r.shown, 1);
  EXPECT_EQ(r.transparent, 1);
  EXPECT_EQ(r.colorKey, kMaskFromFile);
  EXPECT_EQ(r.maskSpec, mask);
  EXPECT_EQ(s.layers.state.objectRecords[3].fileName, mask);
  s.layers.PutObject(1, a, "#NONE", "7", "");
  EXPECT_EQ(r.x, 7);
  EXPECT_EQ(r.y, 50);

  // Show 0 hides and keeps the place; no argument (-1) unloads all three.
  s.layers.ClearObjects(0);
  EXPECT_EQ(r.shown, 0);
  EXPECT_EQ(r.loaded, 1);
  EXPECT_EQ(r.x, 7);
  s.layers.ClearObjects(1);
  EXPECT_EQ(r.shown, 1);
  EXPECT_EQ(r.x, 7);
  s.layers.ClearObjects(-1);
  EXPECT_EQ(r.loaded, 0);
  EXPECT_EQ(r.fileName, "");
  EXPECT_EQ(s.layers.objectPictures[1].Width(), 8);
}

TEST(Objects, SlotsOutsideTheRangeAndUnloadedSlotsAreLeftAlone) {
  Stage s;
  const std::string a = s.Save("a.png", Picture(30, 20, 0x101010));
  for (int32_t slot : {-1, 3, 1000000}) {
    s.layers.LoadObject(slot, a, "#NONE");
    s.layers.SetObject(slot, 1, "0", "0");
    s.layers.PutObject(slot, a, "#NONE", "1", "1");
  }
  s.layers.SetObject(0, -1, "5", "5");
  s.layers.SetObject(0, 1, "5", "5");
  for (const LayerRecord& r : s.layers.state.objectRecords) {
    EXPECT_EQ(r.loaded, 0);
    EXPECT_EQ(r.x, 0);
  }
  EXPECT_TRUE(s.errors.errors.empty());
}

TEST(Effect, LoadAndSetRules) {
  Stage s;
  const std::string e = s.Save("e.png", Picture(320, 240, 0x202020));
  s.layers.LoadEffect(e, "#NONE", 0);
  s.layers.SetEffect(1, "#BLEND", -100, 20, 1);
  const LayerRecord& r = s.layers.state.baseRecords[kEffectRecord];
  EXPECT_EQ(r.blendMode, 4);
  EXPECT_EQ(r.x, -100);
  // An unknown keyword is reported and blends as "#COPY".
  s.layers.SetEffect(1, "#MULTIPLY", -100, 20, 1);
  EXPECT_EQ(s.errors.errors,
            (std::vector<std::string>{J("重ね合わせモードが間違っています:") + "#MULTIPLY"}));
  EXPECT_EQ(r.blendMode, 0);
  EXPECT_EQ(r.shown, 1);

  // A mask file of another size cannot be shown with size mode 0.
  s.errors.errors.clear();
  s.layers.LoadEffect(e, s.Save("m.png", Picture(100, 100, 0)), 0);
  EXPECT_EQ(r.maskMode, 1);
  EXPECT_EQ(r.shown, 0);
  s.layers.SetEffect(1, "#COPY", 0, 0, 0);
  EXPECT_EQ(
      s.errors.errors,
      (std::vector<std::string>{J("エフェクト画像とマスク画像のサイズが違います(MASKMODE:任意)")}));
  EXPECT_EQ(r.shown, 0);
  // Size mode 2 wants a screen-size mask.
  s.errors.errors.clear();
  s.layers.LoadEffect(e, s.Save("m.png", Picture(100, 100, 0)), 5);
  EXPECT_EQ(r.maskMode, 2);
  s.layers.SetEffect(1, "#COPY", 0, 0, 0);
  EXPECT_EQ(s.errors.errors,
            (std::vector<std::string>{J("マスク画像のサイズが異常です。(MASKMODE:固定)")}));

  // -1 clears the layer and its mask.
  s.layers.SetEffect(-1, "#COPY", 9, 9, 9);
  EXPECT_EQ(r.loaded, 0);
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(s.layers.EffectLayer.Width(), 8);
  EXPECT_EQ(s.layers.EffectMask.Width(), 8);
}

TEST(Effect, ScreenSizeMaskIsIndexedByScreenPosition) {
  Stage s;
  s.layers.LoadBackground(s.Save("bg.png", Picture(640, 480, 0)));
  // The mask lets the effect through only on screen columns >= 320.
  const std::string mask =
      s.Save("m.png", Painted(640, 480, [](int x, int) { return x < 320 ? 0xFFFFFF : 0; }));
  s.layers.LoadEffect(s.Save("e.png", Picture(100, 10, 0x777777)), mask, 1);
  s.layers.SetEffect(1, "#COPY", 270, 0, 0);
  s.layers.ComposeScene();
  EXPECT_EQ(s.work.Pixel(300, 5), 0u);
  EXPECT_EQ(s.work.Pixel(320, 5), 0x777777u);
  EXPECT_EQ(s.work.Pixel(369, 5), 0x777777u);
  EXPECT_EQ(s.work.Pixel(370, 5), 0u);
}

// A sheet of 3 columns × 2 rows of 10 × 10 cells; cell (c, r) is filled
// with 0x100000 × (c + 1) + 0x10 × (r + 1), its top-left pixel magenta (the
// key).
Picture SpriteSheetPicture() {
  return Painted(30, 20, [](int x, int y) {
    if (x % 10 == 0 && y % 10 == 0) return 0xFF00FFu;
    return 0x100000u * (x / 10 + 1) + 0x10u * (y / 10 + 1);
  });
}

TEST(Sprites, DrawMoveRestoreAndHide) {
  Stage s;
  s.layers.LoadBackground(s.Save("bg.png", Painted(640, 480, Scene1)));
  s.layers.RefreshScreen();
  s.layers.LoadSpriteSheet(s.Save("sp.png", SpriteSheetPicture()), 10, 10, "#FF00FF");
  EXPECT_EQ(s.layers.state.sheet.columns, 3);
  EXPECT_EQ(s.layers.state.sheet.rows, 2);
  s.layers.SetSpriteFrame(4, 2, 1);
  s.layers.PutSprite(4, 100, 100);
  EXPECT_EQ(s.back.Pixel(105, 105), 0x300020u);
  EXPECT_EQ(s.back.Pixel(100, 100), Scene1(100, 100));  // keyed pixel
  EXPECT_EQ(s.work.Pixel(105, 105), Scene1(105, 105));  // never in the scene

  // Something drawn over the old place is replaced by the scene when the
  // sprite moves away.
  s.back.FillRect(100, 100, 10, 10, 0xABCDEF);
  s.layers.PutSprite(4, 200, 100);
  EXPECT_EQ(s.back.Pixel(101, 101), Scene1(101, 101));
  EXPECT_EQ(s.back.Pixel(205, 105), 0x300020u);
  s.layers.HideSprite(4);
  EXPECT_EQ(s.back.Pixel(205, 105), Scene1(205, 105));
  EXPECT_FALSE(s.layers.state.sprites[4].OnScreen());
  // A hidden sprite put again has nothing to restore at its old place.
  s.back.FillRect(200, 100, 10, 10, 0xABCDEF);
  s.layers.PutSprite(4, 300, 100);
  EXPECT_EQ(s.back.Pixel(205, 105), 0xABCDEFu);
  // Sprites at the edges clip.
  s.layers.PutSprite(5, -5, 475);
  s.layers.PutSprite(6, 635, -5);
  EXPECT_EQ(s.back.Pixel(0, 479), 0x100010u);
  s.layers.ClearSprites();
  for (const Sprite& sp : s.layers.state.sprites) EXPECT_EQ(sp.visible, 0);
  EXPECT_EQ(s.back.Pixel(0, 479), Scene1(0, 479));
}

TEST(Sprites, AnimationCounter) {
  struct Case {
    int32_t count;
    std::vector<int32_t> columns;  // after each of five moves
  };
  const Case cases[] = {
      {-1, {1, 2, 0, 1, 2}},
      {3, {1, 2, 0, 0, 0}},
      {0, {0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    Stage s;
    s.layers.LoadSpriteSheet(s.Save("sp.png", SpriteSheetPicture()), 10, 10, "#NONE");
    s.layers.SetSpriteAnimation(0, c.count);
    std::vector<int32_t> columns;
    for (int i = 0; i < 5; ++i) {
      s.layers.PutSprite(0, 10 * i, 0);
      columns.push_back(s.layers.state.sprites[0].column);
    }
    EXPECT_EQ(columns, c.columns) << c.count;
  }
}

TEST(Sprites, BadSheetsAndNumbers) {
  struct Case {
    int32_t w, h;
    bool reported;
    uint8_t usable;
    int32_t column;  // after one animated move: one on, modulo the columns
  };
  const Case cases[] = {
      {0, 10, true, 0, 0},   {10, 0, true, 0, 0},   {-3, 10, true, 0, 0},
      {31, 10, false, 0, 0}, {10, 21, false, 0, 1}, {30, 20, false, 1, 0},
  };
  for (const Case& c : cases) {
    Stage s;
    s.layers.LoadSpriteSheet(s.Save("sp.png", SpriteSheetPicture()), c.w, c.h, "#NONE");
    EXPECT_EQ(s.errors.errors.size(), c.reported ? 1u : 0u) << c.w << "x" << c.h;
    EXPECT_EQ(s.layers.state.sheet.usable, c.usable) << c.w << "x" << c.h;
    s.layers.SetSpriteAnimation(0, -1);
    s.layers.PutSprite(0, 1, 1);
    s.layers.SetSpriteFrame(0, 1, 0);
    EXPECT_EQ(s.layers.state.sprites[0].column, c.column) << c.w << "x" << c.h;
  }
  Stage s;
  for (int32_t n : {-1, 32, 1 << 30}) {
    s.layers.SetSpriteFrame(n, 0, 0);
    s.layers.PutSprite(n, 0, 0);
    s.layers.HideSprite(n);
    s.layers.SetSpriteAnimation(n, 5);
  }
  for (const Sprite& sp : s.layers.state.sprites) EXPECT_EQ(sp.visible, 0);
}

TEST(NumberedPictures, FramesNamesTimingAndOverlay) {
  Stage s;
  for (int n = 8; n <= 10; ++n)
    s.Save("op" + std::string(n < 10 ? "00" : "0") + std::to_string(n) + ".png",
           Picture(640, 480, 0x010101u * n));
  s.WriteMessage();
  s.textVisible = true;
  s.platform.keepFrames = true;
  const uint64_t before = s.Elapsed();
  s.layers.PlayNumberedPictures((s.dir.path() / "op.png").string(), 8, 10, 40, 1);
  EXPECT_EQ(s.Elapsed() - before, 120u);
  ASSERT_EQ(s.platform.frames.size(), 3u);
  EXPECT_EQ(FirstDifference(s.platform.frames[2], s.WithMessage(Picture(640, 480, 0x0A0A0A))), "");
  EXPECT_EQ(s.layers.state.baseRecords[kWorkScreenRecord].fileName,
            (s.dir.path() / "op010.png").string());
  EXPECT_TRUE(s.layers.LayersDirty);

  // first > last: nothing shown, the layers only marked changed.
  Stage t;
  t.layers.PlayNumberedPictures("op.png", 5, 4, 33, 0);
  EXPECT_EQ(t.Elapsed(), 0u);
  EXPECT_TRUE(t.layers.LayersDirty);
  EXPECT_EQ(t.back.Pixel(0, 0), 0u);
}

TEST(NumberedPictures, ASmallFrameLeavesAScreenSizeScene) {
  Stage s;
  s.Save("f001.png", Picture(100, 50, 0x202020));
  s.layers.PlayNumberedPictures((s.dir.path() / "f.png").string(), 1, 1, 0, 0);
  EXPECT_EQ(s.work.Width(), 640);
  EXPECT_EQ(s.work.Height(), 480);
  EXPECT_EQ(s.work.Pixel(99, 49), 0x202020u);
}

TEST(Views, DarknessSwitchRefreshesOnlyAnUpToDateScreen) {
  Stage s;
  s.textVisible = true;
  s.layers.LoadBackground(s.Save("bg.png", Picture(640, 480, 0x808080)));
  s.layers.RefreshScreen();
  EXPECT_FALSE(s.layers.LayersDirty);
  s.layers.ToggleDarkness();
  EXPECT_TRUE(s.layers.settings.DarknessEnabled);
  EXPECT_TRUE(s.platform.MenuItemChecked(MenuItem::Darkness));
  EXPECT_EQ(s.back.Pixel(0, 0), 0x707070u);
  s.layers.LoadBackground(s.Save("bg2.png", Picture(640, 480, 0x404040)));
  s.layers.ToggleDarkness();
  EXPECT_FALSE(s.layers.settings.DarknessEnabled);
  EXPECT_EQ(s.back.Pixel(0, 0), 0x707070u);  // pending changes not revealed
}

TEST(Reset, LayersReturnToEmptyKeepingTheSpareFields) {
  Stage s;
  s.layers.LoadObject(0, s.Save("a.png", Picture(10, 10, 1)), "#NONE");
  s.layers.state.objectRecords[0].spare = 7;
  s.layers.state.objectRecords[0].spareFlag = 1;
  s.layers.state.objectRecords[0].blendMode = 3;
  s.layers.LoadSpriteSheet(s.Save("sp.png", SpriteSheetPicture()), 10, 10, "#NONE");
  s.layers.PutSprite(3, 5, 5);
  s.layers.ResetLayers();
  const LayerRecord& r = s.layers.state.objectRecords[0];
  EXPECT_EQ(r.loaded, 0);
  EXPECT_EQ(r.spare, 7);
  EXPECT_EQ(r.spareFlag, 1);
  EXPECT_EQ(r.blendMode, 3);
  EXPECT_EQ(s.layers.state.sheet.usable, 0);
  EXPECT_EQ(s.layers.state.sprites[3].x, kSpriteOffScreen);
  EXPECT_EQ(s.layers.state.sprites[3].visible, 0);
  EXPECT_EQ(s.layers.SpriteSheet.Width(), 8);
}

}  // namespace
}  // namespace korvana
