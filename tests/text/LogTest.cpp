// The message log: pages and lines as text is drawn, the ring of 16, the
// save bookkeeping, the cut rows of the log screen and its buttons.
#include <gtest/gtest.h>

#include "TextSupport.h"
#include "core/ScreenSize.h"
#include "script/EngineProbe.h"
#include "text/LogScreen.h"
#include "text/MessageLog.h"

namespace korvana {
namespace {

using test::GameRun;
using Page = std::vector<std::string>;

void Write(MessageLog& log, std::string_view text) {
  for (char c : text) log.AppendLogChar(std::string_view(&c, 1));
}

TEST(Log, PagesAndLinesFromDrawnText) {
  GameRun run;
  test::RunText(run, {"あい", "う&え", "_lognext", "_lognext", "お|", "_textclear"});
  const MessageLog& log = run.probe().Log();
  EXPECT_EQ(log.book.LogTotalPage, 4);
  EXPECT_EQ(log.book.LogCurrentPage, 3);
  EXPECT_EQ(log.PageAtOffset(3), (Page{test::Sjis("あい"), test::Sjis("う")}));
  EXPECT_EQ(log.PageAtOffset(2), (Page{test::Sjis("え"), ""}));
  // "_lognext" on an empty page starts nothing; a trailing line feed leaves
  // an empty line behind.
  EXPECT_EQ(log.PageAtOffset(1), (Page{test::Sjis("お"), ""}));
  EXPECT_TRUE(log.PageAtOffset(0).empty());
}

TEST(Log, LineFeedsOnAnEmptyPageAreIgnoredAndSymbolsAreBlanks) {
  SystemSwitches switches;
  MessageLog log(switches);
  Write(log, "\n\nab\n");
  log.AppendLogChar("x", true);
  EXPECT_EQ(log.LogPages[0], (Page{"ab", " "}));
  EXPECT_EQ(log.book.LogCurrentLine, 1);
}

TEST(Log, DisabledRecordsNothingAndStartsNoPage) {
  GameRun run;
  test::RunText(run, {"_syslog 1", "あ&い", "_syslog 0", "う%"});
  const MessageLog& log = run.probe().Log();
  EXPECT_EQ(log.book.LogTotalPage, 1);
  EXPECT_EQ(log.PageAtOffset(0), (Page{test::Sjis("う")}));
}

TEST(Log, TwentyPagesKeepTheNewestSixteen) {
  SystemSwitches switches;
  MessageLog log(switches);
  for (int i = 0; i < 20; ++i) {
    Write(log, std::to_string(i));
    log.NewLogPage();
  }
  EXPECT_EQ(log.book.LogTotalPage, 16);
  EXPECT_EQ(log.book.LogCurrentPage, 20 % 16);
  EXPECT_EQ(log.PageAtOffset(1), Page{"19"});
  EXPECT_EQ(log.PageAtOffset(15), Page{"5"});
}

TEST(Log, SaveBookkeepingPicksTheCompletedPagesOldestFirst) {
  SystemSwitches switches;
  MessageLog log(switches);
  log.CaptureSaveBookkeeping();
  EXPECT_EQ(log.book.SaveLogTotalPage, 0);
  EXPECT_EQ(log.book.SaveLogStartPage, 15);
  for (int i = 0; i < 3; ++i) {
    Write(log, std::to_string(i));
    log.NewLogPage();
  }
  Write(log, "current");
  log.CaptureSaveBookkeeping();
  EXPECT_EQ(log.book.SaveLogTotalPage, 3);
  EXPECT_EQ(log.book.SaveLogStartPage, 2);
  EXPECT_EQ(log.SavedPages(), (std::vector<Page>{{"0"}, {"1"}, {"2"}}));
  EXPECT_FALSE(log.book.LogChanged);
  // Wrapping the ring shrinks the saved count with the overwritten pages.
  for (int i = 3; i < 20; ++i) {
    log.NewLogPage();
    Write(log, std::to_string(i));
  }
  EXPECT_EQ(log.book.SaveLogTotalPage, 0);

  MessageLog restored(switches);
  restored.RestorePages({{"a"}, {"b"}});
  EXPECT_EQ(restored.book.LogTotalPage, 3);
  EXPECT_EQ(restored.book.LogCurrentPage, 2);
  EXPECT_EQ(restored.book.SaveLogStartPage, 1);
  EXPECT_EQ(restored.book.SaveLogTotalPage, 2);
  EXPECT_EQ(restored.PageAtOffset(1), Page{"b"});
  restored.RestorePages(std::vector<Page>(20, Page{"p"}));
  EXPECT_EQ(restored.book.LogTotalPage, 16);
  EXPECT_EQ(restored.book.LogCurrentPage, 15);
  EXPECT_EQ(restored.book.SaveLogStartPage, 14);
  EXPECT_EQ(restored.book.SaveLogTotalPage, 15);
}

TEST(Log, CutRowsNeverSplitADoubleByteCharacter) {
  std::string kana;
  for (int i = 0; i < 30; ++i) kana += test::Sjis("あ");
  struct Case {
    std::string line;
    std::vector<size_t> sizes;
  };
  const std::vector<Case> cases = {
      {kana, {52, 8}},                       // 60 bytes of double-byte text
      {"a" + kana, {53, 8}},                 // the 52nd byte is a lead byte
      {std::string(52, 'x'), {52}},          // fits
      {std::string(105, 'x'), {52, 52, 1}},  // single bytes cut evenly
      {"", {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line.size());
    std::vector<size_t> sizes;
    for (const std::string& piece : LogScreen::CutLogLine(c.line)) sizes.push_back(piece.size());
    EXPECT_EQ(sizes, c.sizes);
  }
}

TEST(Log, PageHeightCountsCutRowsAndTheirBlankRows) {
  GameRun run;
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  const std::string longLine(60, 'x');
  struct Case {
    Page page;
    int height;
  };
  const std::vector<Case> cases = {
      {Page(11, "a"), 13 * 32 + 48},    // 464: fits one screen
      {Page(12, "a"), 14 * 32 + 48},    // 496: scrolls
      {{longLine}, (2 + 3) * 32 + 48},  // two pieces and a blank row
      {{longLine, "a", ""}, (2 + 3 + 1 + 1) * 32 + 48},
  };
  for (const Case& c : cases) {
    probe.PokeLog().ClearLog();
    probe.PokeLog().LogPages[0] = c.page;
    probe.PokeLog().book.LogTotalPage = 1;
    EXPECT_EQ(probe.PokeLogView().RenderLogPage(false), c.height);
  }
}

TEST(Log, ScreenButtonsPageBackAndForthAndExitRestoresTheScreen) {
  GameRun run;
  HeadlessPlatform& p = run.session().platform;
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  probe.PokeScreen().BackImage.Fill(0x123456);
  for (int i = 0; i < 3; ++i) {
    Write(probe.PokeLog(), "page" + std::to_string(i));
    probe.PokeLog().NewLogPage();
  }
  Write(probe.PokeLog(), std::string(60 * 12, 'x'));  // the newest page scrolls
  auto press = [&](const ImageButton& b) { p.QueueClick(b.Left + 5, b.Top + 5); };
  std::vector<int> offsets;
  std::vector<bool> scroll;
  auto note = [&] {
    p.QueueAction([&] {
      offsets.push_back(probe.LogView().LogViewOffset);
      scroll.push_back(probe.LogView().ScrollBar1.Visible);
    });
  };
  note();
  std::vector<int> positions;
  auto position = [&] {
    p.QueueAction([&] { positions.push_back(probe.LogView().ScrollBar1.Position); });
  };
  p.QueueWheel(-120);  // three rows down
  position();
  p.QueueWheel(120 * 5);  // back to the top, not beyond
  position();
  p.QueueClick(LogScreen::kScrollLeft + 4, LogScreen::kScrollHeight - 1);  // the track's end
  position();
  for (int i = 0; i < 5; ++i) press(probe.PokeLogView().TkBtn1);  // stops at the oldest
  note();
  press(probe.PokeLogView().TkBtn2);
  note();
  press(probe.PokeLogView().TkBtn3);
  e.ShowLogScreen();
  EXPECT_EQ(offsets, (std::vector<int>{0, 3, 2}));
  EXPECT_EQ(scroll, (std::vector<bool>{true, false, false}));
  // One line of 720 bytes: 14 pieces and a blank row after the title rows,
  // 17 × 32 + 48 = 592 pixels.
  EXPECT_EQ(positions, (std::vector<int>{96, 0, 592 - 480}));
  EXPECT_FALSE(probe.LogView().IsOpen());
  EXPECT_EQ(probe.BackImage().Pixel(320, 240), 0x123456u);
  EXPECT_EQ(probe.LogView().TkBtn3.BevelOuter, ImageButton::Bevel::Raised);
}

TEST(Log, ScreenButtonsStandWhereTheFormPutsThemInTheirColours) {
  GameRun run;
  HeadlessPlatform& p = run.session().platform;
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  Write(probe.PokeLog(), "page");
  Picture shown;
  p.QueueAction([&] { shown = probe.BackImage(); });
  p.QueueClick(probe.LogView().TkBtn3.Left + 5, probe.LogView().TkBtn3.Top + 5);
  e.ShowLogScreen();
  ASSERT_FALSE(shown.Empty());
  // How many pixels inside a button's face are exactly `colour`.
  auto count = [&](const ImageButton& b, uint32_t colour) {
    int n = 0;
    for (int y = b.Top + 2; y < b.Top + b.Height - 2; ++y)
      for (int x = b.Left + 2; x < b.Left + b.Width - 2; ++x) n += shown.Pixel(x, y) == colour;
    return n;
  };
  const struct {
    const ImageButton& button;
    int left, top, width, height, fontHeight;
    uint32_t caption;
  } rows[] = {
      {probe.LogView().TkBtn1, 256, 8, 112, 32, 19, 0x00FFFF},
      {probe.LogView().TkBtn2, 264, 440, 112, 32, 19, 0x00FFFF},
      {probe.LogView().TkBtn3, 448, 440, 64, 32, 16, 0xFFFF00},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.left);
    EXPECT_EQ(r.button.Left, r.left);
    EXPECT_EQ(r.button.Top, r.top);
    EXPECT_EQ(r.button.Width, r.width);
    EXPECT_EQ(r.button.Height, r.height);
    EXPECT_EQ(r.button.Font.height, r.fontHeight);
    EXPECT_TRUE(r.button.Font.bold);
    EXPECT_EQ(r.button.Font.name, test::Sjis("ＭＳ Ｐゴシック"));
    // Bold captions in their colour on a black face, nothing white.
    EXPECT_GT(count(r.button, r.caption), 20);
    EXPECT_GT(count(r.button, 0x000000), r.width * r.height / 2);
    EXPECT_EQ(count(r.button, 0xFFFFFF), 0);
  }
  EXPECT_EQ(probe.LogView().TkBtn1.Caption, test::Sjis("１ページ戻る"));
  EXPECT_EQ(probe.LogView().TkBtn2.Caption, test::Sjis("１ページ進む"));
  EXPECT_EQ(probe.LogView().TkBtn3.Caption, "EXIT");
}

TEST(Log, CaptionsFitInsideTheirButtons) {
  GameRun run;
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  FontLibrary fonts;
  for (const ImageButton* b :
       {&probe.LogView().TkBtn1, &probe.LogView().TkBtn2, &probe.LogView().TkBtn3}) {
    SCOPED_TRACE(b->Left);
    // Measured: the caption is no wider than the face inside the bevels.
    const int face = b->Width - 2 * b->BevelWidth;
    EXPECT_LE(fonts.TextWidth(b->Font, b->Caption), face);
    // Painted: every pixel of the caption lies on the face.
    Picture shown(kScreenWidth, kScreenHeight, 0);
    b->Paint(shown, fonts);
    int inside = 0, outside = 0;
    for (int y = 0; y < kScreenHeight; ++y)
      for (int x = 0; x < kScreenWidth; ++x) {
        if (shown.Pixel(x, y) != b->FontColor) continue;
        const bool onFace = x >= b->Left + b->BevelWidth && x < b->Left + b->Width - b->BevelWidth &&
                            y >= b->Top && y < b->Top + b->Height;
        (onFace ? inside : outside) += 1;
      }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(outside, 0);
  }
}

TEST(Log, ScrollBarStandsOnTheRightEdgeFromTopToBottom) {
  GameRun run;
  HeadlessPlatform& p = run.session().platform;
  Engine& e = run.session().engine;
  EngineProbe probe(e);
  Write(probe.PokeLog(), std::string(60 * 12, 'x'));  // a page that scrolls
  Picture shown;
  p.QueueAction([&] { shown = probe.BackImage(); });
  // Where a press moves the thumb to the end: on the bar, not beside it.
  const struct {
    int x, y;
    bool scrolls;
  } presses[] = {{626, 470, false}, {627, 470, true}, {639, 479, true}};
  std::vector<bool> scrolled;
  for (const auto& press : presses) {
    p.QueueClick(press.x, press.y);
    p.QueueAction([&] {
      scrolled.push_back(probe.LogView().ScrollBar1.Position > 0);
      probe.PokeLogView().ScrollBar1.Position = 0;
    });
  }
  p.QueueClick(probe.LogView().TkBtn3.Left + 5, probe.LogView().TkBtn3.Top + 5);
  e.ShowLogScreen();
  std::vector<bool> expected;
  for (const auto& press : presses) expected.push_back(press.scrolls);
  EXPECT_EQ(scrolled, expected);
  ASSERT_FALSE(shown.Empty());
  // The bar's columns are the track's grey or the thumb's from the top row
  // to the bottom one; the column beside it is the page's.
  auto isBar = [&](int x, int y) {
    const uint32_t c = shown.Pixel(x, y);
    return c == 0xE0E0E0 || c == 0x808080;
  };
  int barPixels = 0, beside = 0;
  for (int y = 0; y < kScreenHeight; ++y) {
    beside += isBar(626, y);
    for (int x = 627; x < kScreenWidth; ++x) barPixels += isBar(x, y);
  }
  EXPECT_EQ(barPixels, 13 * kScreenHeight);
  EXPECT_EQ(beside, 0);
}

TEST(Log, WithNothingShownTheMenuEntryDoesNothing) {
  GameRun run;
  run.session().engine.ShowLogScreen();  // would wait forever if it opened
  EXPECT_FALSE(run.probe().LogView().IsOpen());
}

TEST(Log, ButtonPaintsStretchedPictureBevelsAndCaption) {
  FontLibrary fonts;
  ImageButton b;
  b.Left = 10, b.Top = 20, b.Width = 60, b.Height = 30;
  b.Caption = "EXIT";
  b.FontColor = 0xFF0000;
  Picture face(2, 2, 0x0000FF);
  face.SetPixel(1, 1, 0x00FF00);
  b.Set_Picture(face);
  Picture target(100, 100, 0);
  b.Paint(target, fonts);
  EXPECT_EQ(target.Pixel(10, 20), ImageButton::kHighlight);  // raised: light top-left
  EXPECT_EQ(target.Pixel(69, 49), ImageButton::kShadow);     // dark bottom-right
  EXPECT_EQ(target.Pixel(12, 22), 0x0000FFu);                // picture, top-left quarter
  EXPECT_EQ(target.Pixel(67, 47), 0x00FF00u);                // stretched bottom-right
  EXPECT_EQ(target.Pixel(9, 19), 0u);                        // nothing outside
  int caption = 0;
  for (int y = 20; y < 50; ++y)
    for (int x = 10; x < 70; ++x) caption += target.Pixel(x, y) == 0xFF0000;
  EXPECT_GT(caption, 10);
  b.MouseDown(MouseButton::Left);
  b.Paint(target, fonts);
  EXPECT_EQ(target.Pixel(10, 20), ImageButton::kShadow);  // lowered while held
  b.MouseUp(MouseButton::Right);
  EXPECT_EQ(b.BevelOuter, ImageButton::Bevel::Lowered);
  b.MouseUp(MouseButton::Left);
  EXPECT_EQ(b.BevelOuter, ImageButton::Bevel::Raised);

  ImageButton plain;  // without a picture: a panel in its colour
  plain.Left = 0, plain.Top = 0;
  plain.Paint(target, fonts);
  EXPECT_EQ(target.Pixel(5, 5), ImageButton::kFace);
  ImageButton none;
  none.BevelOuter = ImageButton::Bevel::None;
  none.MouseDown(MouseButton::Left);
  none.MouseUp(MouseButton::Left);
  EXPECT_EQ(none.BevelOuter, ImageButton::Bevel::Raised);
}

TEST(Log, StateDumpStartsWithTheLogFields) {
  GameRun run;
  test::RunText(run, {"あ&い"});
  const auto dump = run.session().engine.StateDump();
  ASSERT_GE(dump.size(), 5u);
  EXPECT_EQ(dump[0], "LogTotalPage:2");
  EXPECT_EQ(dump[1], "LogCurrentPage:1");
  EXPECT_EQ(dump[2], "LogCurrentLine:1");
  EXPECT_EQ(dump[3], "SaveLogStartPage:0");
  EXPECT_EQ(dump[4], "SaveLogTotalPage:1");
}

}  // namespace
}  // namespace korvana

namespace korvana {
namespace {

TEST(Log, PageClearsCaptureTheSavePointExceptInsidePlainText) {
  std::string page;
  for (int i = 0; i < 290; ++i) page += "あ";
  for (const bool plain : {false, true}) {
    SCOPED_TRACE(plain);
    test::GameRun run;
    test::RunText(run, {(plain ? "\\" : "") + page + (plain ? "" : "%")});
    const MessageLog& log = run.probe().Log();
    EXPECT_EQ(log.book.LogTotalPage, 2);
    EXPECT_EQ(log.book.LogChanged, plain);
    EXPECT_EQ(log.book.SaveLogTotalPage, plain ? 0 : 1);
  }
}

}  // namespace
}  // namespace korvana
