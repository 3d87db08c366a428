// Expression evaluation speed (issue 2: a 20-operator expression with flag
// references under 2 µs per evaluation). Expressions are evaluated anew on
// every execution of a line, so this is the cost a script pays each time.
#include <benchmark/benchmark.h>

#include <string>

#include "core/Errors.h"
#include "expr/Evaluator.h"
#include "expr/FlagStore.h"

namespace {

using namespace korvana;

class SilentSink : public ErrorSink {
 public:
  int count = 0;
  void ScriptError(const std::string&) override { ++count; }
  void ReportScriptError(const std::string&) override { ++count; }
};

class FixedSystem : public SystemValues {
 public:
  int32_t SystemValue(int index) override { return index == 19 ? 142 : 0; }
};

// 20 two-operand operators (every precedence level, two-character
// comparisons, a parenthesised group), 9 flag references.
const char* const kExpression =
    "$flg[0]+$flg[1]*3-($flg[2]+4)/2+$sys[19]%7-$flg[3]^2+1<$flg[4]&$flg[5]!=5|6~$flg[6]==0+7*8-9"
    "+$flg[7]";

struct Setup {
  FlagStore flags;
  FixedSystem system;
  SilentSink sink;
  Evaluator eval{flags, system, sink};
  Setup() {
    const char* values[] = {"12", "-7", "30", "3", "100", "5", "0", "250"};
    for (int i = 0; i < 8; ++i) flags.Set(i, values[i]);
  }
};

void BM_EvalInt20Operators(benchmark::State& state) {
  Setup s;
  const std::string text = kExpression;
  for (auto _ : state) benchmark::DoNotOptimize(s.eval.EvalInt(text));
  if (s.sink.count != 0) state.SkipWithError("the expression reported an error");
}
BENCHMARK(BM_EvalInt20Operators);

void BM_Evaluate20Operators(benchmark::State& state) {
  Setup s;
  const std::string text = kExpression;
  for (auto _ : state) {
    int pos = 1;
    benchmark::DoNotOptimize(s.eval.Evaluate(text, pos));
    benchmark::DoNotOptimize(pos);
  }
}
BENCHMARK(BM_Evaluate20Operators);

void BM_EvalIntFlagIndexChain(benchmark::State& state) {
  Setup s;
  s.flags.Set(0, "1");
  s.flags.Set(1, "2");
  s.flags.Set(2, "0");
  const std::string text = "$flg[$flg[$flg[$flg[0]]]]+1";
  for (auto _ : state) benchmark::DoNotOptimize(s.eval.EvalInt(text));
}
BENCHMARK(BM_EvalIntFlagIndexChain);

void BM_EvalIntSmallConstant(benchmark::State& state) {
  Setup s;
  const std::string text = "100";
  for (auto _ : state) benchmark::DoNotOptimize(s.eval.EvalInt(text));
}
BENCHMARK(BM_EvalIntSmallConstant);

// A hostile argument: 10,000 nested parentheses, refused at the depth limit.
void BM_EvaluateRefusedDeepNesting(benchmark::State& state) {
  Setup s;
  const std::string text = std::string(10000, '(') + "1" + std::string(10000, ')');
  for (auto _ : state) {
    int pos = 1;
    benchmark::DoNotOptimize(s.eval.Evaluate(text, pos));
  }
}
BENCHMARK(BM_EvaluateRefusedDeepNesting);

}  // namespace
