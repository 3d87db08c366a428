#include <gtest/gtest.h>

#include "GameRun.h"
#include "core/Tokens.h"

namespace korvana {
namespace {

using Args = std::array<std::string, 16>;

struct SplitCase {
  std::string line;
  std::string name;
  std::vector<std::string> args;  // the leading arguments; the rest must be empty
};

TEST(SplitCommandLine, ArgumentSyntax) {
  const std::vector<SplitCase> cases = {
      {"_goto :a, x", "_goto", {":a", "x"}},
      {"_goto :a,x", "_goto", {":a", "x"}},
      {"_bgload bg 01.bmp", "_bgload", {"bg01.bmp"}},  // blanks vanish
      {"_bgload bg_01.bmp", "_bgload", {"bg"}},        // "_" ends the list
      {"_bgload \"bg_01.bmp\"", "_bgload", {"bg_01.bmp"}},
      {"_objput 1,*,*,100", "_objput", {"1", "", "", "100"}},
      {"_stop \"a, b\"ignored,next", "_stop", {"a, b", "next"}},
      {"_stop \"open", "_stop", {"open"}},  // unbalanced quote ends at the line end
      {"_cmd", "_cmd", {}},
      {"_cmd\t1,2", "_cmd\t1,2", {}},  // a tab does not end the name
      {"_cmd a,", "_cmd", {"a"}},
      {"_$flg[3]=2*5", "_$flg[3]", {"2*5"}},
      {"_$flg[ 3 ] = 2 * 5", "_$flg[3]", {"2*5"}},
      {"_@flg[4]=\"a b,c\"", "_@flg[4]", {"a b,c"}},
      {"_@flg[4]=abc_def", "_@flg[4]", {"abc"}},
      {"_($flg[1] == 2), _goto :x", "_($flg[1]==2)", {"_goto :x"}},
      {"_(1)", "_(1)", {}},
  };
  for (const auto& c : cases) {
    Args args;
    args.fill("stale");
    EXPECT_EQ(SplitCommandLine(c.line, args), c.name) << c.line;
    for (size_t k = 0; k < args.size(); ++k) {
      std::string expected = k < c.args.size() ? c.args[k] : "";
      EXPECT_EQ(args[k], expected) << c.line << " argument " << k;
    }
  }
}

TEST(SplitCommandLine, SeventeenthArgumentIsDropped) {
  std::string line = "_cmd ";
  for (int i = 1; i <= 17; ++i) line += std::to_string(i) + (i < 17 ? "," : "");
  Args args;
  SplitCommandLine(line, args);
  EXPECT_EQ(args[0], "1");
  EXPECT_EQ(args[15], "16");
}

TEST(ReadToken, TwoByteTrailBytesEndNothing) {
  // Trail bytes equal to "\" and "_" belong to their character.
  const std::string so = test::Sjis("ソ");  // 0x83 0x5C
  const std::string mi = test::Sjis("ダ");  // 0x83 0x5F
  ASSERT_EQ(so, "\x83\x5c");
  ASSERT_EQ(mi, "\x83\x5f");
  Args args;
  SplitCommandLine("_bgload " + so + mi + "x" + so + "y,z", args);
  EXPECT_EQ(args[0], so + mi + "x" + so + "y");
  EXPECT_EQ(args[1], "z");
}

TEST(ReadToken, PositionRules) {
  int pos = 0;
  EXPECT_EQ(ReadToken("abc", pos, '_'), "");
  EXPECT_EQ(pos, 0);
  pos = 1;
  EXPECT_EQ(ReadToken("\"a\"b,c", pos, '"'), "a");  // quote as terminator: not quoted
  pos = 1;
  EXPECT_EQ(ReadToken("ab\ncd", pos, '_'), "ab");  // a line feed ends a token
  EXPECT_EQ(pos, 4);
}

TEST(TrimBlanks, ControlBytesGoIdeographicSpaceStays) {
  EXPECT_EQ(TrimBlanks(" \t\r _x \n"), "_x");
  const std::string wide = test::Sjis("\u3000x\u3000");
  EXPECT_EQ(TrimBlanks(" " + wide + "\t"), wide);
}

}  // namespace
}  // namespace korvana
