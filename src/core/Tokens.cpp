#include "core/Tokens.h"

#include <algorithm>
#include <array>

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
  const size_t len = line.size();
  enum { kPlain, kInQuotes, kAfterQuotes } state = kPlain;
  if (static_cast<size_t>(pos) <= len && line[pos - 1] == '"') {
    if (terminator != '"') state = kInQuotes;
    ++pos;
  }
  // The one-byte characters that end the run of characters that are kept
  // (or, after the quotes, skipped) as they are, for the state at hand; the
  // terminator ends it too, except inside quotes. Built once: a token is
  // read for every argument of every line run.
  static constexpr auto kStops = [] {
    std::array<std::array<bool, 256>, 3> stops{};
    stops[kPlain]['\n'] = stops[kPlain][','] = stops[kPlain][' '] = stops[kPlain]['\t'] = true;
    stops[kInQuotes]['\n'] = stops[kInQuotes]['"'] = true;
    stops[kAfterQuotes]['\n'] = stops[kAfterQuotes][','] = true;
    return stops;
  }();
  const auto term = static_cast<unsigned char>(terminator);
  const std::array<bool, 256>* special = &kStops[state];
  auto enter = [&](decltype(state) next) {
    state = next;
    special = &kStops[state];
  };
  for (;;) {
    // Beyond the end the position still moves, so callers see it past the
    // end.
    if (static_cast<size_t>(pos) > len) {
      ++pos;
      return token;
    }
    // A run at once: a double-byte character (whose second byte may look
    // like any of the special ones) never ends it.
    const size_t start = static_cast<size_t>(pos) - 1;
    size_t i = start;
    while (i < len) {
      const auto u = static_cast<unsigned char>(line[i]);
      const size_t n = u < 0x80 ? 1 : std::min(cp932::CharLength(line, i), len - i);
      if (n == 1 && ((*special)[u] || (u == term && state != kInQuotes))) break;
      i += n;
    }
    if (state != kAfterQuotes) token.append(line.substr(start, i - start));
    pos = static_cast<int>(i) + 1;
    if (i >= len) continue;
    const char c = line[i];
    ++pos;
    switch (state) {
      case kPlain:
        if (c == '\n' || c == ',' || c == terminator) return token;
        break;  // a blank, left out
      case kInQuotes:
        if (c == '\n') return token;
        enter(kAfterQuotes);
        break;
      case kAfterQuotes:
        return token;
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
