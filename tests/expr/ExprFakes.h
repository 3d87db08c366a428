#pragma once
// Test doubles for the evaluator: an ErrorSink that records every message (in
// UTF-8, for readable expectations) and a table of system values.
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/Cp932.h"
#include "core/Errors.h"
#include "expr/Evaluator.h"
#include "expr/FlagStore.h"

namespace korvana::testing {

class RecordingErrorSink : public ErrorSink {
 public:
  // ScriptError messages (box + report), in UTF-8.
  std::vector<std::string> errors;
  // ReportScriptError calls on their own, in UTF-8.
  std::vector<std::string> reports;
  // When set, the n-th ScriptError (1-based) answers "terminate".
  int terminateAt = 0;

  void ScriptError(const std::string& message) override {
    errors.push_back(cp932::ToUtf8(message));
    if (terminateAt > 0 && static_cast<int>(errors.size()) == terminateAt)
      throw EngineExit{1, false};
  }
  void ReportScriptError(const std::string& message) override {
    reports.push_back(cp932::ToUtf8(message));
  }
};

class FakeSystemValues : public SystemValues {
 public:
  std::array<int32_t, 64> values{};
  std::vector<int> reads;
  FakeSystemValues() { values[19] = 142; }
  int32_t SystemValue(int index) override {
    reads.push_back(index);
    return values.at(static_cast<size_t>(index));
  }
};

// Flags, system values, sink and evaluator together.
struct ExprFixture {
  FlagStore flags;
  FakeSystemValues system;
  RecordingErrorSink sink;
  Evaluator eval{flags, system, sink};

  // Flag texts given in UTF-8 (stored as CP932).
  void SetFlags(const std::vector<std::pair<int, const char*>>& setup) {
    for (const auto& [index, text] : setup) flags.Set(index, J(text));
  }
};

}  // namespace korvana::testing
