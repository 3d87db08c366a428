#pragma once
// The integer expression evaluator behind every numeric argument, condition
// and `_$flg` assignment: an operator-precedence parser over CP932 text with
// flag references, fixed stacks per bracket level and a recursive call per
// parenthesised group.
//
// Faults that do not end an evaluation (an operator without an operation,
// division by zero, a flag that is not a number) and the reasons behind some
// failures (a number beyond 32 bits, too deep nesting, too many operands) are
// not shown by the raw `Evaluate`: it only records them (`Faults`). `EvalInt`,
// `EvalAt` and the flag helpers below report the recorded faults, in the order
// they arose, through the ErrorSink and then, when the evaluation failed, the
// arithmetic error. See Evaluator.cpp for the values chosen.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/Errors.h"
#include "expr/FlagStore.h"

namespace korvana {

// The computed values read as $sys[i]; the engine supplies them. Indices
// without a name read 0.
enum class SysValue : int {
  PointerX = 0,
  PointerY = 1,
  DebugMode = 2,
  DarknessEnabled = 3,
  CharWidth = 4,
  LineHeight = 5,
  LineGap = 6,
  FontIndex = 7,
  LeftMargin = 8,
  RightLimit = 9,
  BottomLimit = 10,
  SizeUnits = 11,
  FontHeight = 12,
  RubyFontHeight = 13,
  CharWait = 14,
  CursorX = 15,
  CursorY = 16,
  CursorColumn = 17,
  CursorRow = 18,
  Version = 19,
  Random100 = 20,
  Random1024 = 21,
  Second = 22,
  Minute = 23,
  Hour = 24,
  Day = 25,
  Month = 26,
  Year = 27,
  Weekday = 28,
  YearDay = 29,
  RandomLarge = 30,
  Ticks = 31,
};
inline constexpr int kSystemValueCount = 64;

class SystemValues {
 public:
  virtual ~SystemValues() = default;
  virtual int32_t SystemValue(int index) = 0;
};

class Evaluator {
 public:
  // Error codes of a failed evaluation (the position becomes the code).
  enum Code {
    kBadFlagRef = -1,
    kBadNumber = -2,
    kBadGroup = -3,
    kBadUnaryMinus = -4,
    kBadOperator = -5,
    kBadCharacter = -6,
  };

  // Nesting limit for parenthesised groups and flag indices together: level
  // kMaxDepth + 1 is refused (the group fails with -3, a flag index with -1,
  // a unary minus group with -4), so hostile text cannot exhaust the stack.
  static constexpr int kMaxDepth = 256;
  // The fixed stacks of one bracket level.
  static constexpr int kMaxOperands = 32;
  static constexpr int kMaxOperators = 31;
  // At most this many faults are kept for one evaluation; one more message
  // counts the rest.
  static constexpr int kMaxFaults = 8;
  // Widths of a value embedding beyond this (either sign) are reported and
  // clamped to it.
  static constexpr int kMaxEmbedWidth = 4096;

  Evaluator(FlagStore& flags, SystemValues& system, ErrorSink& errors)
      : flags_(flags), system_(system), errors_(errors) {}

  // The raw evaluator: `pos` is a 1-based byte position; on return it stands
  // after the consumed terminator, or holds a negative error code. Empty text
  // or a position outside the text yields 0 with `pos` unchanged.
  int32_t Evaluate(std::string_view text, int& pos);

  // Whole text from position 1; on failure reports "算術エラーが発生しました。
  // コード:" … and yields 1.
  int32_t EvalInt(std::string_view text);

  // From `pos`; on failure `pos` is put back and the value is 1.
  int32_t EvalAt(std::string_view text, int& pos);

  // The text view of an "@flg[i]" reference at `pos` (1-based), advancing
  // past it; rules of the flag store for missing prefix, bracket or range.
  std::string ReadFlagText(std::string_view text, int& pos);

  // The assignment target "$flg[i]", "@flg[i]" or "$sys[i]" at `pos`:
  // its index; a bad index is reported and gives 0.
  int ParseFlagTarget(std::string_view text, int pos);

  // The "[expression,width]" value embedded in message text: the text of an
  // "@flg" reference or the decimal value, padded or cut to the width.
  std::string EmbedValue(std::string_view expression, std::string_view width);

  // The faults (CP932 messages) that the last raw `Evaluate` recorded and did
  // not report. The reporting calls above empty it.
  const std::vector<std::string>& Faults() const { return faults_; }

 private:
  struct Operator;

  int32_t Eval(std::string_view text, int& pos, int depth);
  bool ReadFlagNumeric(std::string_view text, int& pos, int depth, int32_t& value);
  bool ReadNumber(std::string_view text, int& pos, int32_t& value);
  int32_t Apply(const Operator& op, int32_t a, int32_t b);
  void AddFault(std::string message);
  // Reports and forgets the recorded faults; then, when `code` is negative,
  // the arithmetic error for `text`.
  void ReportFaults(std::string_view text, int code);

  FlagStore& flags_;
  SystemValues& system_;
  ErrorSink& errors_;
  std::vector<std::string> faults_;
  int droppedFaults_ = 0;
};

}  // namespace korvana
