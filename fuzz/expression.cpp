// The expression evaluator and the command splitter on arbitrary text:
// never a fault, every report goes through the error sink, and the raw
// evaluator ends at a position within the text or with one of its codes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/Errors.h"
#include "core/Tokens.h"
#include "expr/Evaluator.h"

using namespace korvana;

namespace {

struct Sink : ErrorSink, SystemValues {
  void ScriptError(const std::string&) override {}
  void ReportScriptError(const std::string&) override {}
  int32_t SystemValue(int index) override { return index * 7 - 100; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  // A number, a text, an empty flag and the smallest integer.
  static FlagStore flags = [] {
    FlagStore f;
    f.Set(0, "1");
    f.Set(1, "abc");
    f.Set(2, "");
    f.Set(3, "-2147483648");
    return f;
  }();
  Sink sink;
  Evaluator eval(flags, sink, sink);
  for (int start = 0; start < 3; ++start) {
    int pos = start;
    eval.Evaluate(text, pos);
    if (pos < 0 ? pos < Evaluator::kBadCharacter
                : pos < start || pos > std::max<int>(start, static_cast<int>(text.size()) + 1))
      std::abort();
  }
  eval.EvalInt(text);
  int pos = 1;
  eval.ReadFlagText(text, pos);
  eval.ParseFlagTarget(text, 1);
  eval.EmbedValue(text, "5");
  CommandArgs args;
  SplitCommandLine(text, args);
  return 0;
}
