#pragma once
// The integer expression evaluator behind every numeric argument, condition
// and `_$flg` assignment: an operator-precedence parser over CP932 text with
// flag references, fixed stacks per bracket level and a recursive call per
// parenthesised group.
#include <cstdint>
#include <string>
#include <string_view>

#include "expr/FlagStore.h"
#include "script/Report.h"

namespace korvana {

// The 64 computed values read as $sys[i]; the engine supplies them.
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

 private:
  FlagStore& flags_;
  SystemValues& system_;
  ErrorSink& errors_;
};

}  // namespace korvana
