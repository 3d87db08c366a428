#include "expr/Evaluator.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <utility>

#include "core/Cp932.h"

// Behaviour where the language leaves the outcome open. Every one of them
// is recorded as a fault by the raw evaluator and reported through
// ErrorSink::ScriptError (message box, then the terminate-or-continue report)
// by EvalInt / EvalAt / the flag helpers, before the arithmetic error of a
// failed evaluation:
//
// - A flag read numerically whose text is not a decimal integer:
//   "フラグの値が数値ではありません:$flg[i]=text"; the flag reads as 0 and the
//   evaluation goes on.
// - A digit run whose value does not fit in a signed 32-bit integer
//   (above 2147483647): "数値が32ビットの範囲を超えています:digits"; the run
//   "does not convert", so the evaluation fails with code -2 (-4 after a unary
//   minus, -3 / -1 from an enclosing group / flag index) and EvalInt gives 1.
// - Division or remainder by zero: "ゼロで除算しました:a/b" (or a%b); that
//   operation yields 0 and the evaluation goes on, like an operator without an
//   operation. INT_MIN / -1 wraps to INT_MIN and INT_MIN % -1 is 0, no report.
// - A 33rd operand or a 32nd pending operator on one level (the fixed stacks):
//   "式の項が多すぎます(1段に32個まで)" or "式の演算子が多すぎます(1段に31個まで)";
//   the evaluation fails with code -5 (an operator was due where the extra
//   operand stands). With the precedence rules at most 5 operators can be
//   pending, so the operator limit is a guard only.
// - Nesting deeper than kMaxDepth (parenthesised groups, unary minus groups
//   and flag indices together): "式の入れ子が深すぎます(256段まで)"; the
//   refused group fails like any failing group: -3 for "(", -4 for "-(",
//   -1 for a flag index, and the code of the outermost level is reported.
// - An operator that lacks one of its two operands ("1++2", "*3", "3-"):
//   code -5 (no separate message).
// - "^" whose double result is not finite or lies outside the 64-bit range
//   (0^-1, 3^40): the 64-bit value is 0x8000000000000000 as the processor's
//   truncating conversion gives, so the low 32 bits, the result, are 0.
// - A level with no operand at all ("()", "$flg[]"): value 0, like empty text.

namespace korvana {

namespace {

enum class OpKind : uint8_t {
  kPow,
  kMul,
  kDiv,
  kMod,
  kAdd,
  kSub,
  kGt,
  kLt,
  kGe,
  kLe,
  kEq,
  kNe,
  kAnd,
  kOr,
  kXor,
  kNone,  // "=" or "!" alone: no operation
};

int Length(std::string_view text) {
  return static_cast<int>(std::min<size_t>(text.size(), INT_MAX - 2));
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

int32_t Wrap(uint32_t v) {
  return static_cast<int32_t>(v);
}

// Messages in CP932, converted once.
const std::string& Msg(const char* utf8) {
  // One entry per literal below (keyed by address; map nodes never move).
  thread_local std::map<const char*, std::string> cache;
  auto it = cache.find(utf8);
  if (it == cache.end()) it = cache.emplace(utf8, J(utf8)).first;
  return it->second;
}

constexpr const char* kArithmeticError = "算術エラーが発生しました。コード:";
constexpr const char* kExpressionLabel = " 式:";
constexpr const char* kBadOperatorMsg = "演算子が異常です:";
constexpr const char* kBadIndexMsg = "フラグの添字が異常です";
constexpr const char* kNotNumberMsg = "フラグの値が数値ではありません:";
constexpr const char* kNumberRangeMsg = "数値が32ビットの範囲を超えています:";
constexpr const char* kDivideByZeroMsg = "ゼロで除算しました:";
constexpr const char* kTooManyOperandsMsg = "式の項が多すぎます(1段に32個まで)";
constexpr const char* kTooManyOperatorsMsg = "式の演算子が多すぎます(1段に31個まで)";
constexpr const char* kTooDeepMsg = "式の入れ子が深すぎます(256段まで)";
constexpr const char* kMoreFaultsMsg = "ほかにも式のエラーがあります。件数:";
constexpr const char* kBadWidthMsg = "表示桁数が異常です:";

}  // namespace

struct Evaluator::Operator {
  char text[2];
  uint8_t length;
  int8_t precedence;
  OpKind kind;
};

namespace {

// The two-character comparisons, tried first on the next two bytes.
bool ReadComparison(char a, char b, OpKind& kind) {
  switch (a) {
    case '<':
      if (b == '=') return kind = OpKind::kLe, true;
      return false;
    case '>':
      if (b == '=') return kind = OpKind::kGe, true;
      return false;
    case '=':
      if (b == '<') return kind = OpKind::kLe, true;
      if (b == '>') return kind = OpKind::kGe, true;
      if (b == '=') return kind = OpKind::kEq, true;
      return false;
    case '!':
      if (b == '=') return kind = OpKind::kNe, true;
      return false;
    default:
      return false;
  }
}

// The one-character operators with their precedence; false for any other
// character.
bool ReadSingleOperator(char c, OpKind& kind, int8_t& precedence) {
  switch (c) {
    case '^':
      kind = OpKind::kPow;
      precedence = 5;
      return true;
    case '*':
      kind = OpKind::kMul;
      precedence = 4;
      return true;
    case '/':
      kind = OpKind::kDiv;
      precedence = 4;
      return true;
    case '%':
      kind = OpKind::kMod;
      precedence = 4;
      return true;
    case '+':
      kind = OpKind::kAdd;
      precedence = 3;
      return true;
    case '-':
      kind = OpKind::kSub;
      precedence = 3;
      return true;
    case '>':
      kind = OpKind::kGt;
      precedence = 2;
      return true;
    case '<':
      kind = OpKind::kLt;
      precedence = 2;
      return true;
    case '=':
    case '!':
      kind = OpKind::kNone;
      precedence = 2;
      return true;
    case '&':
      kind = OpKind::kAnd;
      precedence = 1;
      return true;
    case '|':
      kind = OpKind::kOr;
      precedence = 1;
      return true;
    case '~':
      kind = OpKind::kXor;
      precedence = 1;
      return true;
    default:
      return false;
  }
}

// a ^ b in double precision, truncated toward zero to 64 bits, low 32 bits.
int32_t Power(int32_t a, int32_t b) {
  const double r = std::trunc(std::pow(static_cast<double>(a), static_cast<double>(b)));
  uint64_t bits = uint64_t{1} << 63;  // what the processor gives when it does not fit
  if (r >= -9223372036854775808.0 && r < 9223372036854775808.0)
    bits = static_cast<uint64_t>(static_cast<int64_t>(r));
  return Wrap(static_cast<uint32_t>(bits));
}

}  // namespace

void Evaluator::AddFault(std::string message) {
  if (static_cast<int>(faults_.size()) < kMaxFaults)
    faults_.push_back(std::move(message));
  else
    ++droppedFaults_;
}

void Evaluator::ReportFaults(std::string_view text, int code) {
  // Taken out first: a report may come back into the evaluator, or unwind.
  std::vector<std::string> faults = std::move(faults_);
  faults_.clear();
  if (droppedFaults_ > 0) faults.push_back(Msg(kMoreFaultsMsg) + std::to_string(droppedFaults_));
  droppedFaults_ = 0;
  for (const std::string& message : faults) errors_.ScriptError(message);
  if (code < 0)
    errors_.ScriptError(Msg(kArithmeticError) + std::to_string(code) + Msg(kExpressionLabel) +
                        std::string(text));
}

int32_t Evaluator::Apply(const Operator& op, int32_t a, int32_t b) {
  const uint32_t ua = static_cast<uint32_t>(a), ub = static_cast<uint32_t>(b);
  switch (op.kind) {
    case OpKind::kPow:
      return Power(a, b);
    case OpKind::kMul:
      return Wrap(ua * ub);
    case OpKind::kDiv:
    case OpKind::kMod:
      if (b == 0) {
        AddFault(Msg(kDivideByZeroMsg) + std::to_string(a) + std::string(op.text, op.length) +
                 std::to_string(b));
        return 0;
      }
      if (b == -1) return op.kind == OpKind::kDiv ? Wrap(0u - ua) : 0;  // INT_MIN / -1 wraps
      return op.kind == OpKind::kDiv ? a / b : a % b;
    case OpKind::kAdd:
      return Wrap(ua + ub);
    case OpKind::kSub:
      return Wrap(ua - ub);
    case OpKind::kGt:
      return a > b;
    case OpKind::kLt:
      return a < b;
    case OpKind::kGe:
      return a >= b;
    case OpKind::kLe:
      return a <= b;
    case OpKind::kEq:
      return a == b;
    case OpKind::kNe:
      return a != b;
    case OpKind::kAnd:
      return a & b;
    case OpKind::kOr:
      return a | b;
    case OpKind::kXor:
      return a ^ b;
    case OpKind::kNone:
      break;
  }
  AddFault(Msg(kBadOperatorMsg) + std::string(op.text, op.length));
  return 0;
}

bool Evaluator::ReadNumber(std::string_view text, int& pos, int32_t& value) {
  const int len = Length(text);
  int q = pos;
  int64_t v = 0;
  bool tooLarge = false;
  for (; q <= len && IsDigit(text[q - 1]); ++q) {
    if (tooLarge) continue;
    v = v * 10 + (text[q - 1] - '0');
    tooLarge = v > INT32_MAX;
  }
  if (tooLarge) {
    std::string digits(text.substr(pos - 1, q - pos));
    if (digits.size() > 40) digits = digits.substr(0, 40) + "...";
    AddFault(Msg(kNumberRangeMsg) + digits);
    return false;
  }
  value = static_cast<int32_t>(v);
  pos = q;
  return true;
}

// "$flg[" or "$sys[", an index expression and its terminator, and one more
// "]" if one follows. False (code -1 for the caller) for a wrong prefix, no
// "[", a failing index or an index out of range.
bool Evaluator::ReadFlagNumeric(std::string_view text, int& pos, int depth, int32_t& value) {
  const int len = Length(text);
  if (pos + 4 > len) return false;  // needs the prefix and "["
  const std::string_view prefix = text.substr(pos - 1, 4);
  const bool system = prefix == "$sys";
  if (!system && prefix != "$flg") return false;
  if (text[pos + 3] != '[') return false;
  int q = pos + 5;
  const int32_t index = Eval(text, q, depth + 1);
  if (q < 0) return false;
  if (q <= len && text[q - 1] == ']') ++q;
  if (index < 0 || index >= (system ? kSystemValueCount : FlagStore::kCount)) return false;
  if (system) {
    value = system_.SystemValue(index);
  } else if (std::optional<int32_t> n = flags_.Numeric(index)) {
    value = *n;
  } else {
    std::string shown = flags_.Get(index);
    if (shown.size() > 64) shown = shown.substr(0, 64) + "...";
    AddFault(Msg(kNotNumberMsg) + "$flg[" + std::to_string(index) + "]=" + shown);
    value = 0;
  }
  pos = q;
  return true;
}

int32_t Evaluator::Eval(std::string_view text, int& pos, int depth) {
  const int len = Length(text);
  int p = pos;
  if (p <= 0 || p > len) return 0;
  if (depth > kMaxDepth) {
    AddFault(Msg(kTooDeepMsg));
    pos = kBadGroup;  // the caller turns it into its own code
    return 0;
  }

  int32_t values[kMaxOperands];
  int valueCount = 0;
  Operator ops[kMaxOperators];  // the sentinel of precedence -1 is opCount == 0
  int opCount = 0;
  bool lastWasOperand = false;

  auto fail = [&pos](int code) {
    pos = code;
    return 0;
  };
  auto push = [&](int32_t v) {
    if (valueCount == kMaxOperands) {
      AddFault(Msg(kTooManyOperandsMsg));
      return false;
    }
    values[valueCount++] = v;
    lastWasOperand = true;
    return true;
  };
  // Pops the top operator and applies it to the two top operands.
  auto reduce = [&]() {
    const Operator& op = ops[--opCount];
    if (valueCount < 2) return false;
    const int32_t b = values[--valueCount];
    values[valueCount - 1] = Apply(op, values[valueCount - 1], b);
    return true;
  };

  while (p <= len) {
    const char c = text[p - 1];
    if (c == ']' || c == ')' || c == ':') {
      ++p;
      break;
    }
    Operator op{};
    OpKind kind = OpKind::kNone;
    if (p < len && ReadComparison(c, text[p], kind)) {
      op = Operator{{c, text[p]}, 2, 2, kind};
    } else if (c == ' ') {
      ++p;
      continue;
    } else if (c == '$') {
      int32_t v;
      if (!ReadFlagNumeric(text, p, depth, v)) return fail(kBadFlagRef);
      if (!push(v)) return fail(kBadOperator);
      continue;
    } else if (IsDigit(c)) {
      int32_t v;
      if (!ReadNumber(text, p, v)) return fail(kBadNumber);
      if (!push(v)) return fail(kBadOperator);
      continue;
    } else if (c == '(') {
      int q = p + 1;
      const int32_t v = Eval(text, q, depth + 1);
      if (q < 0) return fail(kBadGroup);
      p = q;
      if (!push(v)) return fail(kBadOperator);
      continue;
    } else if (c == '-' && !lastWasOperand) {
      // Unary minus: only before "$", a digit or "(".
      int q = p + 1;
      int32_t v = 0;
      const char next = q <= len ? text[q - 1] : '\0';
      if (next == '$') {
        if (!ReadFlagNumeric(text, q, depth, v)) return fail(kBadUnaryMinus);
      } else if (IsDigit(next)) {
        if (!ReadNumber(text, q, v)) return fail(kBadUnaryMinus);
      } else if (next == '(') {
        int r = q + 1;
        v = Eval(text, r, depth + 1);
        if (r < 0) return fail(kBadUnaryMinus);
        q = r;
      } else {
        return fail(kBadUnaryMinus);
      }
      p = q;
      if (!push(Wrap(0u - static_cast<uint32_t>(v)))) return fail(kBadOperator);
      continue;
    } else {
      int8_t precedence;
      if (!ReadSingleOperator(c, kind, precedence)) return fail(kBadCharacter);
      op = Operator{{c, 0}, 1, precedence, kind};
    }
    // An operator: reduce what binds at least as tightly (left associativity).
    while (opCount > 0 && ops[opCount - 1].precedence >= op.precedence)
      if (!reduce()) return fail(kBadOperator);
    if (opCount == kMaxOperators) {
      AddFault(Msg(kTooManyOperatorsMsg));
      return fail(kBadOperator);
    }
    ops[opCount++] = op;
    p += op.length;
    lastWasOperand = false;
  }
  while (opCount > 0)
    if (!reduce()) return fail(kBadOperator);
  pos = p;
  return valueCount > 0 ? values[0] : 0;
}

int32_t Evaluator::Evaluate(std::string_view text, int& pos) {
  faults_.clear();
  droppedFaults_ = 0;
  return Eval(text, pos, 0);
}

int32_t Evaluator::EvalInt(std::string_view text) {
  int pos = 1;
  const int32_t value = Evaluate(text, pos);
  ReportFaults(text, pos < 0 ? pos : 0);
  return pos < 0 ? 1 : value;
}

int32_t Evaluator::EvalAt(std::string_view text, int& pos) {
  int p = pos;
  const int32_t value = Evaluate(text, p);
  ReportFaults(text, p < 0 ? p : 0);
  if (p < 0) return 1;  // pos stays where it was
  pos = p;
  return value;
}

// A failing index expression is reported like EvalAt reports it and gives the
// empty text (as an index out of range does); the position then stands after
// the "[".
std::string Evaluator::ReadFlagText(std::string_view text, int& pos) {
  if (pos <= 0) return "0";
  const int len = Length(text);
  if (pos + 3 > len || text.substr(pos - 1, 4) != "@flg") return {};
  pos += 4;
  if (pos > len || text[pos - 1] != '[') return {};
  ++pos;
  int p = pos;
  const int32_t index = Evaluate(text, p);
  ReportFaults(text, p < 0 ? p : 0);
  if (p < 0) return {};
  pos = p;
  if (pos <= len && text[pos - 1] == ']') ++pos;
  if (index < 0 || index >= FlagStore::kCount) return {};
  return flags_.Get(index);
}

int Evaluator::ParseFlagTarget(std::string_view text, int pos) {
  const int len = Length(text);
  if (pos <= 0 || pos + 4 > len) return 0;
  const std::string_view prefix = text.substr(pos - 1, 4);
  int limit;
  if (prefix == "$flg" || prefix == "@flg")
    limit = FlagStore::kCount;
  else if (prefix == "$sys")
    limit = 64;
  else
    return 0;
  if (text[pos + 3] != '[') return 0;
  int p = pos + 5;
  const int32_t index = EvalAt(text, p);  // 1 after a reported failure
  if (index < 0 || index >= limit) {
    errors_.ScriptError(Msg(kBadIndexMsg) + std::string(text));
    return 0;
  }
  return index;
}

std::string Evaluator::EmbedValue(std::string_view expression, std::string_view width) {
  if (expression.empty()) return {};
  std::string value;
  if (expression[0] == '@') {
    int pos = 1;
    value = ReadFlagText(expression, pos);
  } else {
    value = std::to_string(EvalInt(expression));
  }
  int32_t w = width.empty() ? 0 : EvalInt(width);
  if (w > kMaxEmbedWidth || w < -kMaxEmbedWidth) {
    // Reported and clamped: a width in the millions would only build a
    // needless giant text.
    errors_.ScriptError(Msg(kBadWidthMsg) + std::string(width));
    w = w > 0 ? kMaxEmbedWidth : -kMaxEmbedWidth;
  }
  if (w > 0) {
    value.resize(static_cast<size_t>(w), ' ');  // pad on the right, or cut
  } else if (w < 0) {
    const size_t n = static_cast<size_t>(-w);
    if (value.size() < n)
      value.insert(0, n - value.size(), ' ');
    else
      value.erase(0, value.size() - n);  // keep the last n bytes
  }
  return value;
}

}  // namespace korvana
