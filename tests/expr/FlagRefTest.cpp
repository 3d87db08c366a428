// Flag store and the flag helpers of the evaluator: the text
// view "@flg[i]", assignment targets and the value embedding of message text.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ExprFakes.h"

namespace korvana {
namespace {

using testing::ExprFixture;
using Flags = std::vector<std::pair<int, const char*>>;

TEST(FlagStore, StartsAtZeroAndResetsTheGameHalf) {
  FlagStore flags;
  for (int i = 0; i < FlagStore::kCount; ++i) ASSERT_EQ(flags.Get(i), "0") << i;
  EXPECT_EQ(flags.clickFlag, -1);
  flags.Set(3, "x");
  flags.Set(300, "y");
  flags.ResetGameFlags();
  EXPECT_EQ(flags.Get(3), "0");
  EXPECT_EQ(flags.Get(300), "y");  // returning to the title keeps 256-511
}

TEST(FlagStore, ClearByRange) {
  struct Case {
    int32_t range;
    bool low, high;
  } cases[] = {
      {0, true, false}, {1, false, true}, {2, true, true}, {3, false, false}, {-1, false, false}};
  for (const Case& c : cases) {
    FlagStore flags;
    flags.Clear(c.range, "z");
    EXPECT_EQ(flags.Get(0) == "z", c.low) << c.range;
    EXPECT_EQ(flags.Get(255) == "z", c.low) << c.range;
    EXPECT_EQ(flags.Get(256) == "z", c.high) << c.range;
    EXPECT_EQ(flags.Get(511) == "z", c.high) << c.range;
  }
}

TEST(FlagStore, NumericView) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
  } cases[] = {
      {"", 0},
      {"0", 0},
      {"10", 10},
      {"-5", -5},
      {"+7", 7},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", std::nullopt},
      {"abc", std::nullopt},
      {"1a", std::nullopt},
      {"-", std::nullopt},
      {" 1", std::nullopt},
  };
  for (const Case& c : cases) {
    FlagStore flags;
    flags.Set(7, c.text);
    EXPECT_EQ(flags.Numeric(7), c.value) << c.text;
  }
}

// The number a flag is read as follows every way its text changes, even
// right after the old text was read as a number (or as none).
TEST(FlagStore, NumericViewFollowsEveryChange) {
  struct Step {
    const char* what;
    std::function<void(FlagStore&)> change;
    int index;
    std::optional<int32_t> value;
  };
  FlagStore::Half half;
  half.fill("x");
  half[4] = "44";
  const Step steps[] = {
      {"text", [](FlagStore& f) { f.Set(4, "12"); }, 4, 12},
      {"text, not a number", [](FlagStore& f) { f.Set(4, "twelve"); }, 4, std::nullopt},
      {"number", [](FlagStore& f) { f.SetNumber(4, -30); }, 4, -30},
      {"number's text", [](FlagStore& f) { f.SetNumber(5, INT32_MIN); }, 5, INT32_MIN},
      {"game half cleared", [](FlagStore& f) { f.Clear(0, "7"); }, 4, 7},
      {"all cleared", [](FlagStore& f) { f.Clear(2, ""); }, 300, 0},
      {"half restored", [&](FlagStore& f) { f.SetHalf(256, half); }, 260, 44},
      {"half restored, text", [&](FlagStore& f) { f.SetHalf(0, half); }, 5, std::nullopt},
      {"game flags reset", [](FlagStore& f) { f.ResetGameFlags(); }, 5, 0},
  };
  FlagStore flags;
  for (const Step& s : steps) {
    (void)flags.Numeric(s.index);
    s.change(flags);
    EXPECT_EQ(flags.Numeric(s.index), s.value) << s.what;
    // and the text agrees with it
    const std::string& text = flags.Get(s.index);
    EXPECT_EQ(text.empty() ? std::optional<int32_t>(0) : ParseDecimal32(text), s.value)
        << s.what << ": the text is " << text;
  }
}

// ReadFlagText: the text view at a position, and where the position ends.
TEST(ReadFlagText, RulesOfTheTextView) {
  struct Case {
    const char* text;
    int start;
    Flags flags;
    const char* value;
    int pos;
    std::vector<const char*> messages = {};
  } cases[] = {
      {"@flg[0]", 1, {}, "0", 8},  // a fresh game
      {"@flg[3]", 1, {{3, "10"}}, "10", 8},
      {"@flg[3]", 1, {{3, ""}}, "", 8},
      {"@flg[511]", 1, {{511, "終わり"}}, "終わり", 10},
      {"@flg[1+2]", 1, {{3, "three"}}, "three", 10},
      {"@flg[$flg[0]+1]", 1, {{0, "4"}, {5, "five"}}, "five", 16},
      {"@flg[1]]x", 1, {{1, "one"}}, "one", 9},  // a second "]" is consumed
      {"@flg[1)x", 1, {{1, "one"}}, "one", 8},
      {"@flg[1", 1, {{1, "one"}}, "one", 7},
      {"ab@flg[2]", 3, {{2, "two"}}, "two", 10},
      {"@flg[512]", 1, {}, "", 10},  // out of range: empty
      {"@flg[-1]", 1, {}, "", 9},
      {"@FLG[1]", 1, {}, "", 1},  // not "@flg": empty, no move
      {"@fl", 1, {}, "", 1},
      {"", 1, {}, "", 1},
      {"$flg[1]", 1, {}, "", 1},
      {"@flgx", 1, {}, "", 5},  // no "[": empty, after the prefix
      {"@flg", 1, {}, "", 5},
      {"@flg[1]", 0, {}, "0", 0},  // a position of 0 or less: "0"
      {"@flg[1]", -4, {}, "0", -4},
      {"@flg[1]", 9, {}, "", 9},
      // A failing index is reported like EvalAt reports it; empty text.
      {"@flg[abc]", 1, {}, "", 6, {"算術エラーが発生しました。コード:-6 式:@flg[abc]"}},
      {"@flg[$flg[4]]",
       1,
       {{4, "x"}, {0, "zero"}},
       "zero",
       14,
       {"フラグの値が数値ではありません:$flg[4]=x"}},
  };
  for (const Case& c : cases) {
    ExprFixture f;
    f.SetFlags(c.flags);
    int pos = c.start;
    EXPECT_EQ(cp932::ToUtf8(f.eval.ReadFlagText(J(c.text), pos)), c.value) << c.text;
    EXPECT_EQ(pos, c.pos) << c.text;
    EXPECT_EQ(f.sink.errors, std::vector<std::string>(c.messages.begin(), c.messages.end()))
        << c.text;
  }
}

// ParseFlagTarget: the index of an assignment target, with its reports.
TEST(ParseFlagTarget, IndicesAndReports) {
  struct Case {
    const char* text;
    int start;
    Flags flags;
    int index;
    std::vector<const char*> messages = {};
  } cases[] = {
      {"$flg[10]", 1, {}, 10},
      {"@flg[10]", 1, {}, 10},
      {"$sys[63]", 1, {}, 63},
      {"$flg[511]", 1, {}, 511},
      {"$flg[0]", 1, {}, 0},
      {"$flg[ 3 ]", 1, {}, 3},
      {"$flg[$flg[0]*2]", 1, {{0, "6"}}, 12},
      {"_$flg[3]", 2, {}, 3},  // an assignment line's name, from its second character
      {"$flg[3]=1", 1, {}, 3},
      {"$flg[600]", 1, {}, 0, {"フラグの添字が異常です$flg[600]"}},
      {"_$flg[600]", 2, {}, 0, {"フラグの添字が異常です_$flg[600]"}},
      {"$flg[512]", 1, {}, 0, {"フラグの添字が異常です$flg[512]"}},
      {"@flg[512]", 1, {}, 0, {"フラグの添字が異常です@flg[512]"}},
      {"$flg[-1]", 1, {}, 0, {"フラグの添字が異常です$flg[-1]"}},
      {"$sys[64]", 1, {}, 0, {"フラグの添字が異常です$sys[64]"}},
      // No message: another prefix, or no "[" after it.
      {"$abc[1]", 1, {}, 0},
      {"$FLG[1]", 1, {}, 0},
      {"$flg1", 1, {}, 0},
      {"$flg", 1, {}, 0},
      {"$flg[", 1, {}, 0},
      {"", 1, {}, 0},
      {"$flg[5]", 0, {}, 0},
      {"$flg[5]", 9, {}, 0},
      // An arithmetic error in the index: EvalAt reports it, the index is 1.
      {"$flg[abc]", 1, {}, 1, {"算術エラーが発生しました。コード:-6 式:$flg[abc]"}},
      {"$flg[2147483648]",
       1,
       {},
       1,
       {"数値が32ビットの範囲を超えています:2147483648",
        "算術エラーが発生しました。コード:-2 式:$flg[2147483648]"}},
      {"$flg[1=1]", 1, {}, 0, {"演算子が異常です:="}},
      {"$flg[$flg[9]]", 1, {{9, "nine"}}, 0, {"フラグの値が数値ではありません:$flg[9]=nine"}},
  };
  for (const Case& c : cases) {
    ExprFixture f;
    f.SetFlags(c.flags);
    EXPECT_EQ(f.eval.ParseFlagTarget(J(c.text), c.start), c.index) << c.text;
    EXPECT_EQ(f.sink.errors, std::vector<std::string>(c.messages.begin(), c.messages.end()))
        << c.text;
    EXPECT_TRUE(f.sink.reports.empty()) << c.text;
  }
}

// Flag-store scenarios of a story, played with the evaluator's parts the way
// the assignment lines use them.
TEST(FlagStoreScenarios, AssignmentsThroughTheEvaluator) {
  ExprFixture f;
  auto assignNumber = [&](const char* name, const char* expression) {
    f.flags.Set(f.eval.ParseFlagTarget(name, 2), std::to_string(f.eval.EvalInt(expression)));
  };
  auto assignText = [&](const char* name, const std::string& value) {
    int pos = 1;
    f.flags.Set(f.eval.ParseFlagTarget(name, 2),
                !value.empty() && value[0] == '@' ? f.eval.ReadFlagText(value, pos) : value);
  };
  auto text = [&](const char* ref) {
    int pos = 1;
    return f.eval.ReadFlagText(ref, pos);
  };

  EXPECT_EQ(f.eval.EvalInt("$flg[0]"), 0);
  EXPECT_EQ(text("@flg[0]"), "0");

  assignNumber("_$flg[3]", "2*5");
  EXPECT_EQ(f.flags.Get(3), "10");
  EXPECT_EQ(text("@flg[3]"), "10");
  assignNumber("_$flg[6]", "0-5");
  EXPECT_EQ(f.flags.Get(6), "-5");

  assignText("_@flg[4]", "abc");
  EXPECT_EQ(f.eval.EvalInt("$flg[4]"), 0);  // not a number: reported, read as 0
  ASSERT_EQ(f.sink.errors.size(), 1u);
  EXPECT_EQ(f.sink.errors[0], "フラグの値が数値ではありません:$flg[4]=abc");

  assignText("_@flg[5]", "@flg[4]");
  EXPECT_EQ(f.flags.Get(5), "abc");
  assignText("_@flg[7]", "@other");
  EXPECT_EQ(f.flags.Get(7), "");

  f.flags.Set(300, "kept");
  f.flags.Clear(1, "0");
  EXPECT_EQ(f.flags.Get(300), "0");
  EXPECT_EQ(f.flags.Get(3), "10");

  f.sink.errors.clear();
  assignNumber("_$flg[600]", "1");
  EXPECT_EQ(f.flags.Get(0), "1");  // the value goes to flag 0
  ASSERT_EQ(f.sink.errors.size(), 1u);
  EXPECT_EQ(f.sink.errors[0], "フラグの添字が異常です_$flg[600]");

  // $flg[512] and $sys[64] fail with -1; $sys[40] reads 0.
  int pos = 1;
  f.eval.Evaluate("$flg[512]", pos);
  EXPECT_EQ(pos, Evaluator::kBadFlagRef);
  pos = 1;
  f.eval.Evaluate("$sys[64]", pos);
  EXPECT_EQ(pos, Evaluator::kBadFlagRef);
  EXPECT_EQ(f.eval.EvalInt("$sys[40]"), 0);
  f.system.values[20] = 57;
  EXPECT_EQ(f.eval.EvalInt("$sys[20]+$sys[19]"), 57 + 142);
}

// EmbedValue: "[expression,width]" of message text.
TEST(EmbedValue, ValuesAndWidths) {
  struct Case {
    const char* expression;
    const char* width;
    Flags flags;
    const char* shown;
    std::vector<const char*> messages = {};
  } cases[] = {
      {"42", "5", {}, "42   "},
      {"42", "-5", {}, "   42"},
      {"42", "1", {}, "4"},
      {"42", "", {}, "42"},
      {"42", "0", {}, "42"},
      {"42", "2", {}, "42"},
      {"42", "-2", {}, "42"},
      {"12345", "-3", {}, "345"},
      {"6*7", "2+1", {}, "42 "},
      {"-7", "", {}, "-7"},
      {"$flg[1]*2", "-4", {{1, "21"}}, "  42"},
      {"@flg[3]", "6", {{3, "abc"}}, "abc   "},
      {"@flg[3]", "", {{3, "abc"}}, "abc"},
      {"@flg[3]", "-2", {{3, "abc"}}, "bc"},
      {"@flg[3]", "-4", {{3, "日本語"}}, "本語"},
      {"@xyz", "3", {}, "   "},
      {"@flg[600]", "", {}, ""},
      {"", "5", {}, ""},  // an empty expression shows nothing
      {"", "abc", {}, ""},
      {"abc", "", {}, "1", {"算術エラーが発生しました。コード:-6 式:abc"}},
      {"42", "x", {}, "4", {"算術エラーが発生しました。コード:-6 式:x"}},
      {"3=2", "", {}, "0", {"演算子が異常です:="}},
  };
  for (const Case& c : cases) {
    ExprFixture f;
    f.SetFlags(c.flags);
    const std::string shown = f.eval.EmbedValue(J(c.expression), J(c.width));
    EXPECT_EQ(shown, J(c.shown)) << c.expression << "," << c.width;
    EXPECT_EQ(f.sink.errors, std::vector<std::string>(c.messages.begin(), c.messages.end()))
        << c.expression << "," << c.width;
  }
}

TEST(EmbedValue, WidthsCountBytesEvenInsideACharacter) {
  ExprFixture f;
  f.flags.Set(3, J("日本語"));
  EXPECT_EQ(f.eval.EmbedValue("@flg[3]", "3"), J("日本語").substr(0, 3));
  EXPECT_EQ(f.eval.EmbedValue("@flg[3]", "-3"), J("日本語").substr(3));
  EXPECT_EQ(f.eval.EmbedValue("@flg[3]", "8"), J("日本語") + "  ");
}

TEST(EmbedValue, HugeWidthsAreReportedAndClamped) {
  ExprFixture f;
  const std::string wide = f.eval.EmbedValue("42", "100000");
  EXPECT_EQ(wide.size(), static_cast<size_t>(Evaluator::kMaxEmbedWidth));
  EXPECT_EQ(wide.substr(0, 3), "42 ");
  const std::string left = f.eval.EmbedValue("42", "-2147483647-1");
  EXPECT_EQ(left.size(), static_cast<size_t>(Evaluator::kMaxEmbedWidth));
  EXPECT_EQ(left.substr(left.size() - 3), " 42");
  EXPECT_EQ(f.sink.errors, (std::vector<std::string>{"表示桁数が異常です:100000",
                                                     "表示桁数が異常です:-2147483647-1"}));
  EXPECT_EQ(f.eval.EmbedValue("42", "4096").size(), 4096u);
  EXPECT_EQ(f.sink.errors.size(), 2u);
}

}  // namespace
}  // namespace korvana
