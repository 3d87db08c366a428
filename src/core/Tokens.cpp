#include "core/Tokens.h"

#include "core/Ascii.h"
#include "core/Cp932.h"
#include "core/Errors.h"

namespace korvana {
namespace {

inline bool IsBlankByte(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

}  // namespace

std::string_view TrimLeftBlanks(std::string_view s) {
  size_t b = 0;
  while (b < s.size() && IsBlankByte(s[b])) ++b;
  return s.substr(b);
}

std::string_view TrimBlanks(std::string_view s) {
  s = TrimLeftBlanks(s);
  size_t e = s.size();
  while (e > 0 && IsBlankByte(s[e - 1])) --e;
  return s.substr(0, e);
}

void SkipBlanks(std::string_view line, int& pos) {
  if (pos <= 0) return;
  while (pos <= static_cast<int>(line.size()) && (line[pos - 1] == ' ' || line[pos - 1] == '\t'))
    ++pos;
}

std::string ReadToken(std::string_view line, int& pos, char terminator) {
  std::string token;
  if (pos <= 0) return token;
  const int len = static_cast<int>(line.size());
  enum { kPlain, kInQuotes, kAfterQuotes } state = kPlain;
  if (pos <= len && line[pos - 1] == '"') {
    if (terminator != '"') state = kInQuotes;
    ++pos;
  }
  for (;;) {
    // The next character: one byte, two for a double-byte character, none
    // beyond the end (which still moves the position, so callers see it past
    // the end).
    std::string_view ch;
    if (pos <= len) ch = line.substr(pos - 1, cp932::CharLength(line, pos - 1));
    pos += ch.empty() ? 1 : static_cast<int>(ch.size());
    const bool single = ch.size() == 1;
    const char c = single ? ch[0] : '\0';
    const bool endOfLine = ch.empty() || (single && c == '\n');
    switch (state) {
      case kPlain:
        if (endOfLine || (single && (c == ',' || c == terminator))) return token;
        if (single && (c == ' ' || c == '\t')) break;
        token += ch;
        break;
      case kInQuotes:
        if (endOfLine) return token;
        if (single && c == '"') {
          state = kAfterQuotes;
          break;
        }
        token += ch;
        break;
      case kAfterQuotes:
        if (endOfLine || (single && (c == ',' || c == terminator))) return token;
        break;
    }
  }
}

std::string SplitCommandLine(std::string_view line, CommandArgs& args, int* cut) {
  for (auto& a : args) a.clear();
  if (cut) *cut = 0;
  int pos = 1;
  const int len = static_cast<int>(line.size());
  if (len >= 2 && (line[1] == '@' || line[1] == '$')) {
    std::string name = ReadToken(line, pos, '=');
    args[0] = ReadToken(line, pos, '_');
    return name;
  }
  if (len >= 2 && line[1] == '(') {
    std::string name = ReadToken(line, pos, ',');
    if (pos <= len) args[0] = std::string(TrimLeftBlanks(line.substr(pos - 1)));
    return name;
  }
  size_t space = line.find(' ');
  std::string name(line.substr(0, space));
  pos = space == std::string_view::npos ? len + 1 : static_cast<int>(space) + 2;
  for (size_t k = 0; k < args.size(); ++k) {
    SkipBlanks(line, pos);
    std::string token = ReadToken(line, pos, '_');
    if (token == "*") token.clear();
    args[k] = std::move(token);
    if (pos > len) break;
    if (pos >= 2 && line[pos - 2] == '_') {
      if (cut && !TrimBlanks(line.substr(pos - 1)).empty()) *cut = pos - 1;
      break;
    }
  }
  return name;
}

// Colour arguments are "#RRGGBB" (the first character is ignored); the value
// is 0x00BBGGRR. A malformed colour is reported and reads as black.
std::optional<uint32_t> HexColour(std::string_view text) {
  if (text.size() < 7) return std::nullopt;
  uint32_t rgb = 0;
  for (size_t i = 1; i < 7; ++i) {
    const int d = HexDigit(text[i]);
    if (d < 0) return std::nullopt;
    rgb = rgb << 4 | static_cast<uint32_t>(d);
  }
  return (rgb & 0x00FF00) | (rgb >> 16 & 0xFF) | (rgb & 0xFF) << 16;
}

uint32_t ParseColorArgument(const std::string& text, ErrorSink& errors) {
  if (const std::optional<uint32_t> colour = HexColour(text)) return *colour;
  errors.ScriptError(J("色の指定が異常です:") + text);
  return 0;
}

}  // namespace korvana
