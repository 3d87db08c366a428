// Cursor arithmetic of the message layer: wraps, page breaks, sizes,
// centring and every inline command that moves the cursor or changes limits.
#include <gtest/gtest.h>

#include "TextSupport.h"
#include "script/EngineProbe.h"

namespace korvana {
namespace {

using test::GameRun;

struct LayoutCase {
  const char* name;
  std::vector<std::string> lines;
  int x, y;
};

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(Layout, CursorAfterMarkersAndInlineCommands) {
  const std::vector<LayoutCase> cases = {
      {"one character", {"あ%"}, 24, 0},
      {"26 characters wrap", {Repeat("あ", 26) + "%"}, 0, 40},
      {"27th on the next line", {Repeat("あ", 27) + "%"}, 24, 40},
      {"line end waits then feeds", {"あい"}, 0, 40},
      {"bar feeds without waiting", {"あ|"}, 0, 40},
      {"percent continues the line", {"あ%", "い%"}, 48, 0},
      {"caret waits, stays on the line", {"あ^", "い%"}, 48, 0},
      {"dot feeds mid-line", {"あ.い%"}, 24, 40},
      {"ampersand clears the page", {"あ|い&う%"}, 24, 0},
      // (640 − (6 × 24) ÷ 2) ÷ 2 = 284, then three characters.
      {"slash centres the rest", {"/あいう%"}, 356, 0},
      {"X and Y", {"<X100Y50>%"}, 100, 50},
      {"M and N are relative", {"<X100Y50M-10N5>%"}, 90, 55},
      {"L and H count cells and lines", {"<L3H2>%"}, 72, 80},
      {"J and K move by cells and lines", {"<L1J2K1>%"}, 72, 40},
      {"T up to a larger size", {"<T3>%"}, 0, 12},
      {"T down", {"<T-3>%"}, 0, -12},
      {"T0 does nothing", {"<T0>%"}, 0, 0},
      {"I sets the margin of new lines", {"<I48>あ|い%"}, 72, 40},
      {"R narrows the line", {"<R48>あいう%"}, 24, 40},
      {"R0 restores the full width", {"<R48R0>" + Repeat("あ", 25) + "%"}, 600, 0},
      {"lower-case letters and blanks are skipped", {"<x5 y7>%"}, 0, 0},
      {"nested < is skipped", {"<<X10>%"}, 10, 0},
      // S3 after text: the line moves up by 12 so the bottoms line up.
      {"S3 mid-line", {"あ<S3>い%"}, 60, -12},
      {"S3 at line start", {"<S3>い%"}, 36, 0},
      {"S0 is size 2", {"<S3S0>あ%"}, 24, 0},
      {"S27 is size 2", {"<S27>あ%"}, 24, 0},
      {"_textcur", {"_textcur 2,3"}, 48, 120},
      {"_textcur keeps what is left out", {"_textloc 5,7", "_textcur ,1"}, 5, 40},
      {"_textcurto", {"_textloc 5,7", "_textcurto 1"}, 29, 7},
      {"_textloc", {"_textloc 33,44"}, 33, 44},
      {"_textlocto", {"_textloc 33,44", "_textlocto -3,6"}, 30, 50},
      {"_textclear homes the cursor", {"あ%", "_textclear"}, 0, 0},
      {"offsets do not move the cursor", {"_textoffset 7,9", "あ%"}, 24, 0},
      {"inline picture that cannot be named moves nothing", {"<A\"\">%"}, 0, 0},
  };
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(c.name);
    GameRun run;
    test::RunText(run, c.lines);
    EXPECT_EQ(run.Flag(500), std::to_string(c.x));
    EXPECT_EQ(run.Flag(501), std::to_string(c.y));
  }
}

TEST(Layout, SizesAndLimitsAsSystemValues) {
  GameRun run;
  test::RunText(run, {"<S3F5W7>あ%", "_$flg[1]=$sys[4]", "_$flg[2]=$sys[5]", "_$flg[3]=$sys[9]",
                      "_$flg[4]=$sys[10]", "_$flg[5]=$sys[11]", "_$flg[6]=$sys[12]",
                      "_$flg[7]=$sys[7]", "_$flg[8]=$sys[14]", "<F9U100>%", "_$flg[9]=$sys[7]",
                      "_$flg[10]=$sys[10]", "<U0>%", "_$flg[11]=$sys[10]"});
  EXPECT_EQ(run.Flag(1), "36");   // CharWidth
  EXPECT_EQ(run.Flag(2), "36");   // LineHeight
  EXPECT_EQ(run.Flag(3), "604");  // RightLimit = 640 − 36
  EXPECT_EQ(run.Flag(4), "427");  // BottomLimit = 479 − 36 − 16
  EXPECT_EQ(run.Flag(5), "3");
  EXPECT_EQ(run.Flag(6), "36");
  EXPECT_EQ(run.Flag(7), "5");
  EXPECT_EQ(run.Flag(8), "7");
  EXPECT_EQ(run.Flag(9), "0");  // font index out of range
  EXPECT_EQ(run.Flag(10), "100");
  EXPECT_EQ(run.Flag(11), "428");  // U0: 480 − 36 − 16

  GameRun defaults;
  test::RunText(defaults, {"_textwait 9", "_textwait", "_$flg[1]=$sys[14]", "_textoffset 5,5",
                           "_textoffset", "あ%"});
  EXPECT_EQ(defaults.Flag(1), "1");
  EXPECT_EQ(defaults.probe().Message().text.OffsetX, 0);
  EXPECT_EQ(defaults.probe().Message().text.OffsetY, 0);
}

TEST(Layout, ElevenLinesFillAPageAndTheLastWaitsOnce) {
  GameRun run;
  std::vector<std::string> lines(12, "あ");
  test::RunText(run, lines);
  const auto text = run.Events("text");
  // Eleven line ends wait (the last one as the page end), then the twelfth
  // line starts the new page.
  ASSERT_EQ(text.size(), 13u);
  EXPECT_EQ(text[0], "あ");
  EXPECT_EQ(text[10], "\\nあ");
  EXPECT_EQ(text[11], "\\fあ");
  EXPECT_EQ(run.session().platform.ClicksGiven(), 12);
  EXPECT_EQ(run.Flag(501), "40");
}

TEST(Layout, LowBottomLimitBreaksThePageAtTheLineEnd) {
  GameRun run;
  test::RunText(run, {"<U80>あ|い%", "う"});
  EXPECT_EQ(run.Events("text"), (std::vector<std::string>{"あ\\nいう", "\\f"}));
  EXPECT_EQ(run.Flag(501), "0");
}

TEST(Layout, MarkersDecideWhereTheReaderClicks) {
  struct Case {
    std::vector<std::string> lines;
    std::vector<std::string> text;
  };
  const std::vector<Case> cases = {
      {{"あ.い"}, {"あ", "\\nい", "\\n"}},
      {{"あ^い"}, {"あ", "い", "\\n"}},
      {{"あ|", "い"}, {"あ\\nい", "\\n"}},
      {{"あ%", "い"}, {"あい", "\\n"}},
      {{"あ&い"}, {"あ", "\\fい", "\\n"}},
      // The dot waits and feeds, then the line end waits once more.
      {{"あ."}, {"あ", "\\n"}},
      {{"\\plain%"}, {"plain%\\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines[0]);
    GameRun run;
    test::RunText(run, c.lines);
    EXPECT_EQ(run.Events("text"), c.text);
  }
}

TEST(Layout, FlagValuesWithWidths) {
  struct Case {
    std::string group;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {"[$flg[1],-5]", "   42"}, {"[$flg[2],3]", "123"}, {"[$flg[1],]", "42"},
      {"[@flg[3],4]", "ab  "},   {"[,5]", ""},           {"[$flg[1]+1,0]", "43"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.group);
    GameRun run;
    test::RunText(run, {"_$flg[1]=42", "_$flg[2]=12345", "_@flg[3]=ab",
                        "<"
                        "X0>" +
                            c.group + "|"});
    ASSERT_FALSE(run.Events("text").empty());
    EXPECT_EQ(run.Events("text")[0], c.shown + "\\n");
  }
}

TEST(Layout, RubyDrawsTheBaseAsTextAndNeitherWhenOneIsEmpty) {
  struct Case {
    std::string line;
    std::string text;
    int x;
  };
  const std::vector<Case> cases = {
      // "(" base ")" ruby ")"
      {"(漢字)かんじ)です%", "漢字です", 96},
      {"(漢字))です%", "です", 48},
      {"()かんじ)です%", "です", 48},
      {"(漢|字)かんじ)%", "漢\\n字", 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    GameRun run;
    test::RunText(run, {c.line});
    EXPECT_EQ(run.Events("text"), std::vector<std::string>{c.text});
    EXPECT_EQ(run.Flag(500), std::to_string(c.x));
  }
}

TEST(Layout, SymbolFontsReadOneByteAndSeeMarkersInTrailBytes) {
  GameRun run;
  // "ポ" is 0x83 0x7C: with a symbol font the trail byte is the "|" marker.
  test::RunText(run, {"<F4>ポ%"});
  EXPECT_EQ(run.Flag(500), "0");
  EXPECT_EQ(run.Flag(501), "40");
  GameRun text;
  test::RunText(text, {"ポ%"});
  EXPECT_EQ(text.Flag(500), "24");
}

}  // namespace
}  // namespace korvana
