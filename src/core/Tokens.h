#pragma once
// The argument syntax every command shares. Positions are 1-based byte
// positions, as the line model counts them; two-byte characters are never
// split, so a trail byte equal to "_", "," or "\" ends nothing.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvana {

// Leading and trailing bytes of value 0x20 or below removed (tabs, CR, LF go
// too; the two-byte ideographic space does not).
std::string_view TrimBlanks(std::string_view s);
// A script line without its "~" text id (a "~" and eight hex digits), when
// it starts with one.
inline std::string_view WithoutTextId(std::string_view line) {
  if (!line.empty() && line[0] == '~') return line.size() > 9 ? line.substr(9) : std::string_view();
  return line;
}
std::string_view TrimLeftBlanks(std::string_view s);

// Steps over spaces and tabs.
void SkipBlanks(std::string_view line, int& pos);

// The next argument from `pos`, advancing past the character that ended it.
std::string ReadToken(std::string_view line, int& pos, char terminator);

// Splits a command line into its name and up to 16 arguments (all 16 are
// emptied first). Recognises the assignment ("_$"/"_@") and conditional
// ("_(") forms.
// The arguments of one command line.
using CommandArgs = std::array<std::string, 16>;

// `cut`, when given, receives the 1-based position of an unquoted "_" that
// ended the argument list with more text after it (which is ignored), or 0.
std::string SplitCommandLine(std::string_view line, CommandArgs& args, int* cut = nullptr);

// "#RRGGBB" (any first character, then six hexadecimal digits) as
// 0x00BBGGRR; nothing when it is not one.
std::optional<uint32_t> HexColour(std::string_view text);

class ErrorSink;
// A colour argument "#RRGGBB" (first character ignored) as 0x00BBGGRR; a
// malformed one is reported and reads as 0.
uint32_t ParseColorArgument(const std::string& text, ErrorSink& errors);

}  // namespace korvana
