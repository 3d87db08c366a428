// The expression evaluator: the raw Evaluate with its
// positions and codes, the reporting EvalInt / EvalAt, and the choices made
// where the language leaves the outcome open (see src/expr/Evaluator.cpp).
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "ExprFakes.h"

namespace korvana {
namespace {

using testing::ExprFixture;
using Flags = std::vector<std::pair<int, const char*>>;

std::string Repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// Raw Evaluate from position 1: the value, the position after (or the code)
// and the faults it recorded (never reported by Evaluate itself).
struct RawCase {
  const char* expr;  // UTF-8, evaluated as CP932
  Flags flags;
  int32_t value;
  int pos;  // position after the evaluation, or the negative error code
  std::vector<const char*> faults = {};
};

void RunRaw(const std::vector<RawCase>& cases) {
  for (const RawCase& c : cases) {
    ExprFixture f;
    f.SetFlags(c.flags);
    const std::string text = J(c.expr);
    int pos = 1;
    const int32_t value = f.eval.Evaluate(text, pos);
    EXPECT_EQ(pos, c.pos) << c.expr;
    if (c.pos > 0) {
      EXPECT_EQ(value, c.value) << c.expr;
    }
    std::vector<std::string> faults;
    for (const std::string& m : f.eval.Faults()) faults.push_back(cp932::ToUtf8(m));
    EXPECT_EQ(faults, std::vector<std::string>(c.faults.begin(), c.faults.end())) << c.expr;
    EXPECT_TRUE(f.sink.errors.empty()) << c.expr << ": the raw evaluator reports nothing";
    EXPECT_TRUE(f.sink.reports.empty()) << c.expr;
  }
}

TEST(Evaluate, LanguageExamples) {
  RunRaw({
      {"1+2*3", {}, 7, 6},
      {"(1+2)*3", {}, 9, 8},
      {"2^3^2", {}, 64, 6},  // left-associative
      {"2^-1", {}, 0, 5},
      {"7/2", {}, 3, 4},
      {"-7/2", {}, -3, 5},
      {"-7%3", {}, -1, 5},
      {"1<2&3>2", {}, 1, 8},
      {"1==1|0", {}, 1, 7},
      {"5~3", {}, 6, 4},
      {"3=>3", {}, 1, 5},
      {"3>=3", {}, 1, 5},
      {"2=<1", {}, 0, 5},
      {"-(2)+3", {}, 1, 7},
      {"$flg[$flg[0]+1]", {{0, "3"}, {4, "44"}}, 44, 16},
      {"1 + 2", {}, 3, 6},
      {"1 +\t2", {}, 0, Evaluator::kBadCharacter},
      {"3)+4", {}, 3, 3},
      {"abc", {}, 0, Evaluator::kBadCharacter},
      {"3=2", {}, 0, 4, {"演算子が異常です:="}},
      {"", {}, 0, 1},
  });
}

TEST(Evaluate, PrecedenceAndAssociativity) {
  RunRaw({
      {"2+3*4^2", {}, 50, 8}, {"10-4-3", {}, 3, 7},
      {"100/10/5", {}, 2, 9}, {"2*3%4", {}, 2, 6},
      {"7%4*3", {}, 9, 6},    {"1|2&3", {}, 3, 6},  // "&", "|" and "~" share precedence 1
      {"6&3|8", {}, 10, 6},   {"6~3&5", {}, 5, 6},
      {"1+2<4", {}, 1, 6},    {"1<2<3", {}, 1, 6},
      {"3>2>1", {}, 0, 6},    {"2*(3+4)", {}, 14, 8},
      {"((2))", {}, 2, 6},    {"2^2*3", {}, 12, 6},
      {"3*2^2", {}, 12, 6},   {"1+2==3", {}, 1, 7},
      {"4!=2*2", {}, 0, 7},   {"4 != 3", {}, 1, 7},
      {"2<=2", {}, 1, 5},     {"3<=2", {}, 0, 5},
      {"2>1", {}, 1, 4},      {"1>2", {}, 0, 4},
      {"1<2", {}, 1, 4},      {"2<1", {}, 0, 4},
      {"2==2", {}, 1, 5},     {"2==3", {}, 0, 5},
      {"2=>3", {}, 0, 5},     {"3=<3", {}, 1, 5},
      {"  7  ", {}, 7, 6},    {"1 2", {}, 1, 4},  // operands without operator: the bottom one
      {"1 2+3", {}, 1, 6},
  });
}

TEST(Evaluate, TerminatorsEndTheLevelWhicheverBracketOpenedIt) {
  RunRaw({
      {"3]+4", {}, 3, 3},
      {"3:4", {}, 3, 3},
      {")", {}, 0, 2},
      {"(1+2]*3", {}, 9, 8},
      {"(1+2:*3", {}, 9, 8},
      {"(1+2", {}, 3, 5},  // the end of the text ends the group too
      {"1+(", {}, 1, 4},   // a group that starts at the end is 0
      {"()", {}, 0, 3},
      {"(2)3", {}, 2, 5},
      {"5))", {}, 5, 3},
  });
}

TEST(Evaluate, StartPositionsAndSpaces) {
  ExprFixture f;
  struct Case {
    const char* text;
    int start;
    int32_t value;
    int pos;
  } cases[] = {
      {"", 1, 0, 1},        {"1+2", 0, 0, 0},     {"1+2", -3, 0, -3},
      {"1+2", 4, 0, 4},     {"1+2", 99, 0, 99},   {"1+2", 3, 2, 4},
      {"x=4*2]y", 3, 8, 7}, {"[5+1],w", 2, 6, 6}, {"a(1+2)]b", 2, 3, 8},
  };
  for (const Case& c : cases) {
    int pos = c.start;
    EXPECT_EQ(f.eval.Evaluate(c.text, pos), c.value) << c.text << " @" << c.start;
    EXPECT_EQ(pos, c.pos) << c.text << " @" << c.start;
  }
  // "x=4*2,y": the "," starts no token.
  int pos = 3;
  f.eval.Evaluate("x=4*2,y", pos);
  EXPECT_EQ(pos, Evaluator::kBadCharacter);
}

TEST(Evaluate, CommaStartsNoToken) {
  RunRaw({{"4*2,y", {}, 0, Evaluator::kBadCharacter}});
}

TEST(Evaluate, WrappingArithmetic) {
  RunRaw({
      {"2147483647+1", {}, INT32_MIN, 13},
      {"-2147483647-2", {}, INT32_MAX, 14},
      {"0-2147483647-1", {}, INT32_MIN, 15},
      {"65536*65536", {}, 0, 12},
      {"65537*65537", {}, 131073, 12},
      {"46341*46341", {}, -2147479015, 12},
      {"-(-2147483647-1)", {}, INT32_MIN, 17},
      {"(-2147483647-1)/-1", {}, INT32_MIN, 19},
      {"(-2147483647-1)%-1", {}, 0, 19},
      {"7%-3", {}, 1, 5},
      {"-7%-3", {}, -1, 6},
      {"-7/-2", {}, 3, 6},
  });
}

TEST(Evaluate, PowerInDoubleTruncatedToSixtyFourBitsLowThirtyTwo) {
  RunRaw({
      {"2^10", {}, 1024, 5},
      {"2^31", {}, INT32_MIN, 5},
      {"2^32", {}, 0, 5},
      {"2^33+1", {}, 1, 7},
      {"10^18", {}, -1486618624, 6},  // 0x0DE0B6B3'A7640000
      {"(-2)^3", {}, -8, 7},
      {"-2^2", {}, 4, 5},  // the unary minus belongs to the 2
      {"-1^3", {}, -1, 5},
      {"0^0", {}, 1, 4},
      {"1^-5", {}, 1, 5},
      {"2^-2", {}, 0, 5},
      {"(-2)^-1", {}, 0, 8},        // -0.5 truncates toward zero
      {"0^-1", {}, 0, 5},           // infinite: 64-bit value 0x8000..., low bits 0
      {"3^40", {}, 0, 5},           // beyond 64 bits: likewise
      {"3^20", {}, -808182895, 5},  // 3486784401 wraps
      {"(-2)^63", {}, 0, 8},        // -2^63 fits: its low 32 bits are 0
  });
}

TEST(Evaluate, UnaryMinus) {
  RunRaw({
      {"-5", {}, -5, 3},
      {"-$flg[1]", {{1, "7"}}, -7, 9},
      {"-$sys[19]", {}, -142, 10},
      {"-(3*2)", {}, -6, 7},
      {"2--1", {}, 3, 5},
      {"2*-3", {}, -6, 5},
      {"2- -3", {}, 5, 6},
      {"(-4)", {}, -4, 5},
      {"-2147483647-1", {}, INT32_MIN, 14},
      {"-", {}, 0, Evaluator::kBadUnaryMinus},
      {"--5", {}, 0, Evaluator::kBadUnaryMinus},
      {"- 5", {}, 0, Evaluator::kBadUnaryMinus},
      {"-a", {}, 0, Evaluator::kBadUnaryMinus},
      {"-$abc[1]", {}, 0, Evaluator::kBadUnaryMinus},
      {"-$flg[512]", {}, 0, Evaluator::kBadUnaryMinus},
      {"-(1+)", {}, 0, Evaluator::kBadUnaryMinus},
      {"-(a)", {}, 0, Evaluator::kBadUnaryMinus},
      {"1+-x", {}, 0, Evaluator::kBadUnaryMinus},
      {"-2147483648",
       {},
       0,
       Evaluator::kBadUnaryMinus,
       {"数値が32ビットの範囲を超えています:2147483648"}},
  });
}

TEST(Evaluate, OperatorsWithoutOperandsFailWithCodeMinus5) {
  RunRaw({
      {"1++2", {}, 0, Evaluator::kBadOperator},
      {"*3", {}, 0, Evaluator::kBadOperator},
      {"3-", {}, 0, Evaluator::kBadOperator},
      {"3*", {}, 0, Evaluator::kBadOperator},
      {"+", {}, 0, Evaluator::kBadOperator},
      {"!5", {}, 0, Evaluator::kBadOperator},
      {"(+)", {}, 0, Evaluator::kBadGroup},
  });
}

TEST(Evaluate, OperatorWithoutOperationYieldsZeroAndGoesOn) {
  RunRaw({
      {"3=2", {}, 0, 4, {"演算子が異常です:="}},
      {"3!2", {}, 0, 4, {"演算子が異常です:!"}},
      {"1+3=2", {}, 0, 6, {"演算子が異常です:="}},
      {"3=2+1", {}, 0, 6, {"演算子が異常です:="}},
      {"5=5|1", {}, 1, 6, {"演算子が異常です:="}},
      {"3=2=1", {}, 0, 6, {"演算子が異常です:=", "演算子が異常です:="}},
      {"3=-2", {}, 0, 5, {"演算子が異常です:="}},  // "=-" is no comparison
      {"3 = 3", {}, 0, 6, {"演算子が異常です:="}},
      {"3= =3", {}, 0, Evaluator::kBadOperator},  // the second "=" lacks an operand
  });
}

TEST(Evaluate, NumbersAndTheirRange) {
  RunRaw({
      {"0", {}, 0, 2},
      {"2147483647", {}, INT32_MAX, 11},
      {"00000000000000000000012", {}, 12, 24},
      {"2147483648",
       {},
       0,
       Evaluator::kBadNumber,
       {"数値が32ビットの範囲を超えています:2147483648"}},
      {"1+99999999999",
       {},
       0,
       Evaluator::kBadNumber,
       {"数値が32ビットの範囲を超えています:99999999999"}},
      {"(99999999999)",
       {},
       0,
       Evaluator::kBadGroup,
       {"数値が32ビットの範囲を超えています:99999999999"}},
      {"12ab", {}, 0, Evaluator::kBadCharacter},
      {"0x10", {}, 0, Evaluator::kBadCharacter},
      {"1.5", {}, 0, Evaluator::kBadCharacter},
      {"'a'", {}, 0, Evaluator::kBadCharacter},
  });
}

TEST(Evaluate, CharactersThatStartNoToken) {
  RunRaw({
      {"{1}", {}, 0, Evaluator::kBadCharacter},
      {"[1]", {}, 0, Evaluator::kBadCharacter},
      {"}", {}, 0, Evaluator::kBadCharacter},
      {"\"1\"", {}, 0, Evaluator::kBadCharacter},
      {"`", {}, 0, Evaluator::kBadCharacter},
      {"#1", {}, 0, Evaluator::kBadCharacter},
      {";", {}, 0, Evaluator::kBadCharacter},
      {"_", {}, 0, Evaluator::kBadCharacter},
      {".", {}, 0, Evaluator::kBadCharacter},
      {"?", {}, 0, Evaluator::kBadCharacter},
      {"@flg[1]", {}, 0, Evaluator::kBadCharacter},  // the text view is no operand
      {"1+\t2", {}, 0, Evaluator::kBadCharacter},
      {"あ", {}, 0, Evaluator::kBadCharacter},
      {"1+１", {}, 0, Evaluator::kBadCharacter},
      {"1＋2", {}, 0, Evaluator::kBadCharacter},
  });
}

TEST(Evaluate, FlagReferences) {
  RunRaw({
      {"$flg[0]", {}, 0, 8},
      {"$flg[511]", {{511, "-9"}}, -9, 10},
      {"$flg[3]*2", {{3, "-5"}}, -10, 10},
      {"$flg[3]", {{3, ""}}, 0, 8},  // empty text is 0
      {"$flg[3]", {{3, "+7"}}, 7, 8},
      {"$flg[1+1]", {{2, "22"}}, 22, 10},
      {"$flg[ 2 ]", {{2, "22"}}, 22, 10},
      {"$flg[2)", {{2, "22"}}, 22, 8},  // any terminator ends the index
      {"$flg[2:", {{2, "22"}}, 22, 8},
      {"$flg[2", {{2, "22"}}, 22, 7},  // or the end of the text
      {"$flg[", {{0, "5"}}, 5, 6},     // an empty index is 0
      {"$flg[]", {{0, "5"}}, 5, 7},
      {"$flg[1]]+1", {{1, "5"}}, 6, 11},  // one more "]" is consumed
      // The inner reference consumes both "]", so "+1" belongs to the outer
      // index: flag[flag0 + 1], not flag[flag0] + 1.
      {"$flg[$flg[0]]+1", {{0, "3"}, {3, "30"}, {4, "40"}}, 40, 16},
      {"$flg[$flg[0]])+1", {{0, "3"}, {3, "30"}}, 31, 17},
      {"$sys[19]", {}, 142, 9},
      {"$sys[40]", {}, 0, 9},
      {"$sys[63]", {}, 0, 9},
      {"$flg[512]", {}, 0, Evaluator::kBadFlagRef},
      {"$flg[-1]", {}, 0, Evaluator::kBadFlagRef},
      {"$sys[64]", {}, 0, Evaluator::kBadFlagRef},
      {"$sys[-1]", {}, 0, Evaluator::kBadFlagRef},
      {"$FLG[0]", {}, 0, Evaluator::kBadFlagRef},
      {"$flg 0", {}, 0, Evaluator::kBadFlagRef},
      {"$flg [0]", {}, 0, Evaluator::kBadFlagRef},
      {"$flg", {}, 0, Evaluator::kBadFlagRef},
      {"$fl", {}, 0, Evaluator::kBadFlagRef},
      {"$", {}, 0, Evaluator::kBadFlagRef},
      {"$abc[1]", {}, 0, Evaluator::kBadFlagRef},
      {"$flg[abc]", {}, 0, Evaluator::kBadFlagRef},
      {"$flg[(1+a)]", {}, 0, Evaluator::kBadFlagRef},
      {"(1+$flg[600])", {}, 0, Evaluator::kBadGroup},  // the outermost code counts
      {"$flg[$flg[600]]", {}, 0, Evaluator::kBadFlagRef},
  });
}

TEST(Evaluate, FlagThatIsNotANumberReadsZero) {
  RunRaw({
      {"$flg[4]", {{4, "abc"}}, 0, 8, {"フラグの値が数値ではありません:$flg[4]=abc"}},
      {"$flg[4]+5", {{4, "abc"}}, 5, 10, {"フラグの値が数値ではありません:$flg[4]=abc"}},
      {"-$flg[4]", {{4, "abc"}}, 0, 9, {"フラグの値が数値ではありません:$flg[4]=abc"}},
      {"$flg[4]", {{4, " 7"}}, 0, 8, {"フラグの値が数値ではありません:$flg[4]= 7"}},
      {"$flg[4]",
       {{4, "99999999999"}},
       0,
       8,
       {"フラグの値が数値ではありません:$flg[4]=99999999999"}},
      {"$flg[4]", {{4, "日本"}}, 0, 8, {"フラグの値が数値ではありません:$flg[4]=日本"}},
      {"$flg[$flg[4]]", {{4, "x"}, {0, "8"}}, 8, 14, {"フラグの値が数値ではありません:$flg[4]=x"}},
  });
}

TEST(Evaluate, DivisionByZeroYieldsZeroAndGoesOn) {
  RunRaw({
      {"7/0", {}, 0, 4, {"ゼロで除算しました:7/0"}},
      {"7%0", {}, 0, 4, {"ゼロで除算しました:7%0"}},
      {"1+7/0", {}, 1, 6, {"ゼロで除算しました:7/0"}},
      {"-7/(1-1)*3+2", {}, 2, 13, {"ゼロで除算しました:-7/0"}},
      {"5/$flg[0]", {{0, "0"}}, 0, 10, {"ゼロで除算しました:5/0"}},
  });
}

TEST(Evaluate, FixedStacksAreEnforced) {
  std::string juxtaposed32, juxtaposed33;
  for (int i = 1; i <= 33; ++i) {
    if (i <= 32) juxtaposed32 += std::to_string(i) + " ";
    juxtaposed33 += std::to_string(i) + " ";
  }
  const std::string sum1000 = "1" + Repeat("+1", 999);
  const std::string mixed = Repeat("1~2|3&4>5<6+7-8*9/3%4^1+", 200) + "0";
  ExprFixture f;
  int pos = 1;
  EXPECT_EQ(f.eval.Evaluate(juxtaposed32, pos), 1);
  EXPECT_EQ(pos, static_cast<int>(juxtaposed32.size()) + 1);

  pos = 1;
  f.eval.Evaluate(juxtaposed33, pos);
  EXPECT_EQ(pos, Evaluator::kBadOperator);
  ASSERT_EQ(f.eval.Faults().size(), 1u);
  EXPECT_EQ(cp932::ToUtf8(f.eval.Faults()[0]), "式の項が多すぎます(1段に32個まで)");

  pos = 1;
  f.eval.Evaluate("(" + juxtaposed33 + ")", pos);
  EXPECT_EQ(pos, Evaluator::kBadGroup);

  pos = 1;
  EXPECT_EQ(f.eval.Evaluate(sum1000, pos), 1000);  // reduction keeps the stacks small
  pos = 1;
  f.eval.Evaluate(mixed, pos);
  EXPECT_GT(pos, 0);
  EXPECT_TRUE(f.eval.Faults().empty());

  // Thirty-two operands with operators pending between the last ones.
  pos = 1;
  EXPECT_EQ(f.eval.Evaluate(Repeat("1 ", 29) + "2+3*4", pos), 1);
  EXPECT_GT(pos, 0);
  pos = 1;
  f.eval.Evaluate(Repeat("1 ", 30) + "2+3*4", pos);
  EXPECT_EQ(pos, Evaluator::kBadOperator);
}

TEST(Evaluate, NestingIsCappedWithTheGroupCodes) {
  auto nested = [](std::string_view open, int n, std::string_view inner, std::string_view close) {
    return Repeat(open, n) + std::string(inner) + Repeat(close, n);
  };
  struct Case {
    std::string text;
    int32_t value;
    int pos;  // > 0: succeeds with the position after; < 0: the code
  };
  const int max = Evaluator::kMaxDepth;
  const std::vector<Case> cases = {
      {nested("(", max, "1", ")"), 1, 2 * max + 2},
      {nested("(", max + 1, "1", ")"), 0, Evaluator::kBadGroup},
      {nested("(", 10000, "1", ")"), 0, Evaluator::kBadGroup},
      {Repeat("(", 10000), 0, Evaluator::kBadGroup},
      {Repeat("(", max), 0, max + 1},  // unclosed but within the limit: 0
      {nested("$flg[", max, "0", "]"), 0, 5 * max + 1 + max + 1},
      {nested("$flg[", max + 1, "0", "]"), 0, Evaluator::kBadFlagRef},
      {nested("$flg[", 10000, "0", "]"), 0, Evaluator::kBadFlagRef},
      {nested("-(", 10000, "1", ")"), 0, Evaluator::kBadUnaryMinus},
      {nested("(-$flg[", 5000, "0", "])"), 0, Evaluator::kBadGroup},
      {"1+" + nested("(", 10000, "1", ")"), 0, Evaluator::kBadGroup},
  };
  for (const Case& c : cases) {
    ExprFixture f;
    int pos = 1;
    const int32_t value = f.eval.Evaluate(c.text, pos);
    EXPECT_EQ(pos, c.pos) << c.text.substr(0, 20) << " (" << c.text.size() << " bytes)";
    if (c.pos > 0) {
      EXPECT_EQ(value, c.value);
      EXPECT_TRUE(f.eval.Faults().empty());
    } else {
      ASSERT_EQ(f.eval.Faults().size(), 1u);
      EXPECT_EQ(cp932::ToUtf8(f.eval.Faults()[0]), "式の入れ子が深すぎます(256段まで)");
    }
  }
}

// The limit keeps the stack small enough for a thread with 1 MiB of stack,
// even under the sanitizers.
TEST(Evaluate, DeepNestingFitsInASmallStack) {
  struct Shared {
    int pos = 1;
  } shared;
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setstacksize(&attr, 1 << 20);
  pthread_t thread;
  auto body = [](void* arg) -> void* {
    ExprFixture f;
    const std::string text = Repeat("(-$flg[", 10000);
    static_cast<Shared*>(arg)->pos = 1;
    f.eval.Evaluate(text, static_cast<Shared*>(arg)->pos);
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attr, body, &shared), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attr);
  EXPECT_EQ(shared.pos, Evaluator::kBadGroup);
}

TEST(Evaluate, ManyFaultsAreCountedNotListed) {
  ExprFixture f;
  const std::string text = "1" + Repeat("=1", 20);
  int pos = 1;
  EXPECT_EQ(f.eval.Evaluate(text, pos), 0);
  EXPECT_EQ(f.eval.Faults().size(), static_cast<size_t>(Evaluator::kMaxFaults));
  EXPECT_EQ(f.eval.EvalInt(text), 0);
  ASSERT_EQ(f.sink.errors.size(), static_cast<size_t>(Evaluator::kMaxFaults) + 1);
  EXPECT_EQ(f.sink.errors.back(), "ほかにも式のエラーがあります。件数:12");
  // The next evaluation starts clean.
  EXPECT_EQ(f.eval.EvalInt("3=2"), 0);
  EXPECT_EQ(f.sink.errors.size(), static_cast<size_t>(Evaluator::kMaxFaults) + 2);
}

// EvalInt: the same evaluation from position 1, with the recorded faults and
// the arithmetic error reported through ScriptError (box + report).
struct ReportCase {
  const char* expr;
  Flags flags;
  int32_t value;
  std::vector<const char*> messages;
};

TEST(EvalInt, ReportsAndFallsBackToOne) {
  const std::vector<ReportCase> cases = {
      {"1+2*3", {}, 7, {}},
      {"", {}, 0, {}},
      {"3)+4", {}, 3, {}},
      {"abc", {}, 1, {"算術エラーが発生しました。コード:-6 式:abc"}},
      {"1 +\t2", {}, 1, {"算術エラーが発生しました。コード:-6 式:1 +\t2"}},
      {"3=2", {}, 0, {"演算子が異常です:="}},
      {"3=2=1", {}, 0, {"演算子が異常です:=", "演算子が異常です:="}},
      {"(1+$flg[600])", {}, 1, {"算術エラーが発生しました。コード:-3 式:(1+$flg[600])"}},
      {"$flg[512]", {}, 1, {"算術エラーが発生しました。コード:-1 式:$flg[512]"}},
      {"$sys[64]", {}, 1, {"算術エラーが発生しました。コード:-1 式:$sys[64]"}},
      {"--1", {}, 1, {"算術エラーが発生しました。コード:-4 式:--1"}},
      {"1++2", {}, 1, {"算術エラーが発生しました。コード:-5 式:1++2"}},
      {"2147483648",
       {},
       1,
       {"数値が32ビットの範囲を超えています:2147483648",
        "算術エラーが発生しました。コード:-2 式:2147483648"}},
      {"$flg[4]+1", {{4, "abc"}}, 1, {"フラグの値が数値ではありません:$flg[4]=abc"}},
      {"7/0+5", {}, 5, {"ゼロで除算しました:7/0"}},
      // A fault before the failure is reported before the arithmetic error.
      {"($flg[4]+x)",
       {{4, "abc"}},
       1,
       {"フラグの値が数値ではありません:$flg[4]=abc",
        "算術エラーが発生しました。コード:-3 式:($flg[4]+x)"}},
      {"日本", {}, 1, {"算術エラーが発生しました。コード:-6 式:日本"}},
      {"$flg[0]", {}, 0, {}},
      {"$sys[40]", {}, 0, {}},
  };
  for (const ReportCase& c : cases) {
    ExprFixture f;
    f.SetFlags(c.flags);
    EXPECT_EQ(f.eval.EvalInt(J(c.expr)), c.value) << c.expr;
    EXPECT_EQ(f.sink.errors, std::vector<std::string>(c.messages.begin(), c.messages.end()))
        << c.expr;
    EXPECT_TRUE(f.sink.reports.empty()) << c.expr << ": boxes go through ScriptError";
    EXPECT_TRUE(f.eval.Faults().empty()) << c.expr;
  }
}

TEST(EvalInt, TerminatingAtAReportUnwindsAndLeavesTheEvaluatorUsable) {
  ExprFixture f;
  f.sink.terminateAt = 1;
  EXPECT_THROW(f.eval.EvalInt("3=2+abc"), EngineExit);  // the arithmetic error
  f.sink.terminateAt = 2;
  EXPECT_THROW(f.eval.EvalInt("1=1=1"), EngineExit);  // at the first of two faults
  EXPECT_EQ(f.sink.errors.size(), 2u);
  f.sink.terminateAt = 0;
  EXPECT_EQ(f.eval.EvalInt("2*21"), 42);
  EXPECT_TRUE(f.eval.Faults().empty());
}

TEST(EvalAt, RestoresThePositionOnFailure) {
  struct Case {
    const char* text;
    int start;
    int32_t value;
    int pos;
    std::vector<const char*> messages;
  } cases[] = {
      {"_(1+2)", 2, 3, 7, {}},  // the conditional line's name, read from its "("
      {"_($flg[0]==0)", 2, 1, 14, {}},
      {"[5+1],w", 2, 6, 6, {}},
      {"x=abc", 3, 1, 3, {"算術エラーが発生しました。コード:-6 式:x=abc"}},
      {"_(1+)", 2, 1, 2, {"算術エラーが発生しました。コード:-3 式:_(1+)"}},
      {"a3=2]", 2, 0, 6, {"演算子が異常です:="}},
      {"12", 5, 0, 5, {}},
      {"12", 0, 0, 0, {}},
  };
  for (const Case& c : cases) {
    ExprFixture f;
    int pos = c.start;
    EXPECT_EQ(f.eval.EvalAt(c.text, pos), c.value) << c.text;
    EXPECT_EQ(pos, c.pos) << c.text;
    EXPECT_EQ(f.sink.errors, std::vector<std::string>(c.messages.begin(), c.messages.end()))
        << c.text;
  }
}

}  // namespace
}  // namespace korvana
