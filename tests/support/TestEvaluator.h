#pragma once
// An expression evaluator for the subsystem tests that take one: its own
// flags (all "0"), every $sys value 0, faults to the sink it is given.
#include <cstdint>
#include <string>

#include "core/Errors.h"
#include "expr/Evaluator.h"
#include "expr/FlagStore.h"

namespace korvana::test {

class NoSystemValues : public SystemValues {
 public:
  int32_t SystemValue(int) override { return 0; }
};

class QuietErrors : public ErrorSink {
 public:
  void ScriptError(const std::string&) override {}
  void ReportScriptError(const std::string&) override {}
};

struct TestEvaluator {
  explicit TestEvaluator(ErrorSink& errors) : eval(flags, system, errors) {}
  FlagStore flags;
  NoSystemValues system;
  Evaluator eval;
};

}  // namespace korvana::test
