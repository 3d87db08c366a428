// The expression evaluator and the command splitter on arbitrary text:
// never a fault, and every report goes through the error sink.
#include <cstdint>
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
  static FlagStore flags;
  Sink sink;
  Evaluator eval(flags, sink, sink);
  eval.EvalInt(text);
  int pos = 1;
  eval.ReadFlagText(text, pos);
  eval.ParseFlagTarget(text, 1);
  eval.EmbedValue(text, "5");
  CommandArgs args;
  SplitCommandLine(text, args);
  return 0;
}
