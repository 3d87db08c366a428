// What the message layer puts into its pictures and onto the screen: glyphs
// with shadow or outline copies, the mask under them, the screen combination,
// erased rectangles, inline pictures and the click marker.
#include <gtest/gtest.h>

#include <functional>

#include "TextSupport.h"
#include "graphics/Picture.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

using test::GameRun;

constexpr uint32_t kScene = 0x336699;

// The scene under the text: a colour no glyph uses.
void PaintScene(Engine& e) {
  EngineProbe(e).PokeScreen().WorkScreen.Fill(kScene);
  EngineProbe(e).PokeScreen().BackImage.Fill(kScene);
}

// Whether the glyph, drawn with its cell corner at (x0, y0), inks (x, y).
bool Inks(const Glyph& g, int x0, int y0, int x, int y) {
  const int gx = x - x0 - g.left, gy = y - y0 - g.top;
  return gx >= 0 && gy >= 0 && gx < g.width && gy < g.height && g.bits[gy * g.width + gx];
}

const Glyph& GlyphOf(Engine& e, const std::string& utf8) {
  return e.Fonts().GetGlyph({EngineProbe(e).Message().text.FontName, 24, false}, test::Sjis(utf8));
}

// Compares every pixel of the three pictures with what the ink and shade
// predicates say.
void ExpectLayer(Engine& e, const std::function<bool(int, int)>& ink,
                 const std::function<bool(int, int)>& shade, uint32_t inkColor, uint32_t shadeColor,
                 bool visible) {
  int mismatches = 0, inked = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      const bool i = ink(x, y), s = !i && shade(x, y);
      inked += i;
      const uint32_t image = i ? inkColor : s ? shadeColor : 0;
      const uint32_t mask = (i || s) ? 0 : 0xFFFFFF;
      const uint32_t screen = visible ? (i || s ? image : kScene) : kScene;
      if (EngineProbe(e).Message().MessageImage.Pixel(x, y) != image ||
          EngineProbe(e).Message().MessageMask.Pixel(x, y) != mask ||
          EngineProbe(e).BackImage().Pixel(x, y) != screen) {
        if (++mismatches <= 3)
          ADD_FAILURE() << "pixel " << x << "," << y << " image " << std::hex
                        << EngineProbe(e).Message().MessageImage.Pixel(x, y) << " mask "
                        << EngineProbe(e).Message().MessageMask.Pixel(x, y) << " screen "
                        << EngineProbe(e).BackImage().Pixel(x, y);
      }
    }
  }
  EXPECT_GT(inked, 20);
  EXPECT_EQ(mismatches, 0);
}

struct ShadowCase {
  const char* name;
  std::string line;
  std::vector<std::pair<int, int>> copies;
  bool visible;
};

TEST(Pixels, GlyphsWithShadowOutlineOrNone) {
  const std::vector<ShadowCase> cases = {
      {"shadow at +2,+2", "<C#FF8000B#0000FF>あ%", {{2, 2}}, true},
      {"outline: four diagonals",
       "<C#FF8000B#0000FFE1>あ%",
       {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}},
       true},
      {"no shadow", "<C#FF8000B#0000FFD0>あ%", {}, true},
      {"invisible text stays in the layer", "<C#FF8000B#0000FFP0>あ%", {{2, 2}}, false},
      {"offsets move the drawing", "_textoffset 30,-5", {{2, 2}}, true},
  };
  for (const ShadowCase& c : cases) {
    SCOPED_TRACE(c.name);
    GameRun run;
    PaintScene(run.session().engine);
    std::vector<std::string> lines = {c.line};
    int x0 = 0, y0 = 16;
    if (c.line.rfind("_textoffset", 0) == 0) {
      lines.push_back("<C#FF8000B#0000FF>あ%");
      x0 = 30, y0 = 11;
    }
    test::RunText(run, lines);
    Engine& e = run.session().engine;
    const Glyph& g = GlyphOf(e, "あ");
    ExpectLayer(
        e, [&](int x, int y) { return Inks(g, x0, y0, x, y); },
        [&](int x, int y) {
          for (auto [dx, dy] : c.copies)
            if (Inks(g, x0 + dx, y0 + dy, x, y)) return true;
          return false;
        },
        0xFF8000, 0x0000FF, c.visible);
  }
}

TEST(Pixels, TextRectErasesTheLayerButNotTheScreen) {
  GameRun run;
  PaintScene(run.session().engine);
  test::RunText(run, {"あい%", "_textrect 24,0,639,479"});
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  const Glyph& a = GlyphOf(e, "あ");
  const Glyph& i = GlyphOf(e, "い");
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      const bool keep = x < 24 && (Inks(a, 0, 16, x, y) || Inks(a, 2, 18, x, y));
      ASSERT_EQ(probe.Message().MessageMask.Pixel(x, y), keep ? 0u : 0xFFFFFFu) << x << "," << y;
      if (x >= 24) {
        ASSERT_EQ(probe.Message().MessageImage.Pixel(x, y), 0u);
      }
      // The screen still shows the second glyph.
      if (Inks(i, 24, 16, x, y)) {
        ASSERT_EQ(probe.BackImage().Pixel(x, y), 0xFFFFFFu);
      }
    }
  }
}

// A 4 × 3 picture: magenta top-left corner (the inline key), the rest teal,
// except one magenta pixel in the middle.
void WritePicture(GameRun& run) {
  Picture p(4, 3, 0x008080);
  p.SetPixel(0, 0, 0xFF00FF);
  p.SetPixel(2, 1, 0xFF00FF);
  ASSERT_TRUE(WritePng(p, (run.dir().path() / "pic.png").string()));
}

TEST(Pixels, InlinePictureIsKeyedByItsTopLeftAndMovesTheCursor) {
  GameRun run;
  WritePicture(run);
  PaintScene(run.session().engine);
  test::RunText(run, {"<X10Y20A\"pic.png\">%"});
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  EXPECT_EQ(run.Flag(500), "14");
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x) {
      const bool keyed = (x == 0 && y == 0) || (x == 2 && y == 1);
      EXPECT_EQ(probe.Message().MessageImage.Pixel(10 + x, 20 + y), keyed ? 0u : 0x008080u);
      EXPECT_EQ(probe.Message().MessageMask.Pixel(10 + x, 20 + y), keyed ? 0xFFFFFFu : 0u);
      EXPECT_EQ(probe.BackImage().Pixel(10 + x, 20 + y), keyed ? kScene : 0x008080u);
    }
  }
  EXPECT_EQ(probe.BackImage().Pixel(14, 20), kScene);
}

TEST(Pixels, TextImageWithoutTransparencyIsOpaqueAndKeepsTheCursor) {
  GameRun run;
  WritePicture(run);
  PaintScene(run.session().engine);
  test::RunText(run, {"_textimage 100,50,pic.png", "_textimage ,,pic.png,#FF00FF"});
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  EXPECT_EQ(run.Flag(500), "0");
  EXPECT_EQ(probe.Message().MessageImage.Pixel(100, 50), 0xFF00FFu);
  EXPECT_EQ(probe.Message().MessageMask.Pixel(100, 50), 0u);
  EXPECT_EQ(probe.BackImage().Pixel(102, 51), 0xFF00FFu);
  // At the cursor, with the key given.
  EXPECT_EQ(probe.Message().MessageMask.Pixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(probe.Message().MessageMask.Pixel(1, 0), 0u);
  EXPECT_EQ(probe.BackImage().Pixel(0, 0), kScene);
  EXPECT_EQ(probe.BackImage().Pixel(1, 0), 0x008080u);
}

TEST(Pixels, ClickMarkerFrameAtTheCursorAndTheCorner) {
  struct Case {
    std::string line;
    int x, y;
  };
  // y = CursorY + LineHeight − FontHeight + (FontHeight − 32) ÷ 2 + 16
  const std::vector<Case> cases = {
      {"あ", 24, 12}, {"<X590>あ", 608, 448}, {"<U500Y440>あ", 608, 448}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    EngineSettings settings;
    settings.icon = "icon.png";
    HeadlessOptions stop;
    stop.maxClicks = 0;  // the run ends inside the first click wait
    GameRun run(stop, settings);
    // Black is the key (top-left); frame 0 of row 0 has a red square.
    Picture icon(256, 64, 0);
    icon.FillRect(8, 8, 8, 8, 0xFF0000);
    icon.FillRect(32 + 8, 8, 8, 8, 0x00FF00);
    ASSERT_TRUE(WritePng(icon, (run.dir().path() / "icon.png").string()));
    PaintScene(run.session().engine);
    test::RunText(run, {c.line});
    const Picture& screen = run.probe().BackImage();
    EXPECT_EQ(screen.Pixel(c.x + 8, c.y + 8), 0xFF0000u);
    EXPECT_EQ(screen.Pixel(c.x + 15, c.y + 15), 0xFF0000u);
    EXPECT_EQ(screen.Pixel(c.x + 16, c.y + 16), kScene);
    // Each tick of Timer1 shows the next frame in the same square.
    run.session().engine.OnTimer1();
    EXPECT_EQ(screen.Pixel(c.x + 8, c.y + 8), 0x00FF00u);
    EXPECT_EQ(screen.Pixel(c.x + 15, c.y + 15), 0x00FF00u);
  }
}

TEST(Pixels, RubyLiesInTheGapBandCentredOverItsBase) {
  GameRun run;
  PaintScene(run.session().engine);
  test::RunText(run, {"<D0>(漢字)かな)%"});
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  const FontSpec ruby{probe.Message().text.RubyFontName, 12, true};
  const int w = e.Fonts().TextWidth(ruby, test::Sjis("かな"));
  const int left = (2 * 24 - w) / 2;
  int inked = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 640; ++x) {
      if (probe.Message().MessageMask.Pixel(x, y) != 0) continue;
      ++inked;
      EXPECT_GE(x, left);
      EXPECT_LT(x, left + w + 1);
    }
  }
  EXPECT_GT(inked, 10);
}

}  // namespace
}  // namespace korvana
