#include "text/Markup.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "core/Cp932.h"
#include "core/Errors.h"
#include "core/Tokens.h"

namespace korvana {
namespace {

// The number right after an inline letter: a sign, then digits.
int32_t ReadInlineNumber(std::string_view line, int& p) {
  const int length = static_cast<int>(line.size());
  std::string digits;
  if (p <= length && (line[p - 1] == '-' || line[p - 1] == '+')) digits += line[p++ - 1];
  int64_t value = 0;
  bool any = false, tooLarge = false;
  while (p <= length && line[p - 1] >= '0' && line[p - 1] <= '9') {
    value = value * 10 + (line[p - 1] - '0');
    if (value > int64_t{INT32_MAX} + 1) tooLarge = true, value = 0;
    digits += line[p++ - 1];
    any = true;
  }
  if (!any || tooLarge || (value > INT32_MAX && digits[0] != '-'))
    throw ScriptException("'" + digits + J("' は正しい整数値ではありません"));
  return static_cast<int32_t>(digits[0] == '-' ? -value : value);
}

// The seven characters of a colour, however many the line still has.
std::string ReadColourText(std::string_view line, int& p) {
  const size_t from = std::min(static_cast<size_t>(p - 1), line.size());
  std::string spec(line.substr(from, 7));
  p += 7;
  return spec;
}

// What a one-byte character means; most are just characters.
MarkupKind MarkKind(char c) {
  static constexpr std::pair<char, MarkupKind> kMarks[] = {
      {'<', MarkupKind::InlineGroup}, {'(', MarkupKind::Ruby},      {'[', MarkupKind::FlagValue},
      {'.', MarkupKind::LineWait},    {'|', MarkupKind::LineBreak}, {'^', MarkupKind::Wait},
      {'%', MarkupKind::NoEnd},       {'&', MarkupKind::PageEnd},   {'/', MarkupKind::Centre},
  };
  for (const auto& [mark, kind] : kMarks)
    if (c == mark) return kind;
  return MarkupKind::Character;
}

}  // namespace

std::string_view MarkupCharAt(std::string_view line, int p, bool symbolFont) {
  if (p < 1 || p > static_cast<int>(line.size())) return {};
  const size_t i = static_cast<size_t>(p - 1);
  return line.substr(i, symbolFont ? 1 : cp932::CharLength(line, i));
}

MarkupReader::MarkupReader(std::string_view line, int from) : line_(line), p_(from < 1 ? 1 : from) {}

MarkupPiece MarkupReader::Next(bool symbolFont) {
  const std::string_view ch = MarkupCharAt(line_, p_, symbolFont);
  if (ch.empty()) return {};
  p_ += static_cast<int>(ch.size());
  const MarkupKind kind = ch.size() == 1 ? MarkKind(ch[0]) : MarkupKind::Character;
  switch (kind) {
    case MarkupKind::Character:
      return {kind, std::string(ch), {}};
    case MarkupKind::Ruby: {
      std::string base = ReadToken(line_, p_, ')');
      return {kind, std::move(base), ReadToken(line_, p_, ')')};
    }
    case MarkupKind::FlagValue: {
      std::string expression = ReadToken(line_, p_, ',');
      return {kind, std::move(expression), ReadToken(line_, p_, ']')};
    }
    default:
      return {kind, {}, {}};
  }
}

InlineCommand MarkupReader::NextCommand(bool symbolFont) {
  while (p_ <= Length()) {
    const std::string_view ch = MarkupCharAt(line_, p_, symbolFont);
    commandStart_ = p_;
    p_ += static_cast<int>(ch.size());
    // Other characters, capitals and two-byte ones included, are skipped.
    if (ch.size() != 1) continue;
    const char letter = ch[0];
    if (letter == '>') return {};
    if (kInlineLetters.find(letter) == std::string_view::npos) continue;
    switch (letter) {
      case 'C':
      case 'B':
        return {letter, 0, ReadColourText(line_, p_)};
      case 'V':
      case 'O':
      case 'A':
        return {letter, 0, ReadToken(line_, p_, '"')};
      default:
        return {letter, ReadInlineNumber(line_, p_), {}};
    }
  }
  commandStart_ = Length() + 1;
  return {};
}

}  // namespace korvana
