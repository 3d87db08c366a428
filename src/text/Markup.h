#pragma once
// The markup of a message line, read one piece at a time: characters, the
// one-character marks, ruby "(base)reading)", flag values
// "[expression,width]" and "<…>" groups of inline commands. The reader draws
// nothing and keeps nothing but its position: the message layer acts on each
// piece as it comes, so a malformed number further on stops the line only
// where it stands, after what came before it was shown.
#include <cstdint>
#include <string>
#include <string_view>

namespace korvana {

// The letters of "<…>" groups in message text that do something; any other
// character inside a group is skipped.
inline constexpr std::string_view kInlineLetters = "SFXYMNLHJKTWQIRUCBDPEVOA";

enum class MarkupKind {
  End,          // nothing is left
  Character,    // `text`: one character
  LineWait,     // ".": a click wait, then the next line
  LineBreak,    // "|": the next line; the line's end is not handled
  Wait,         // "^": a click wait; the line's end is not handled
  NoEnd,        // "%": the line's end is not handled
  PageEnd,      // "&": the page ends
  Centre,       // "/": the rest of the line is centred
  Ruby,         // `text` the base, `ruby` the reading; either may be empty
  FlagValue,    // `text` the expression, `width` its width
  InlineGroup,  // "<": its commands follow through NextCommand
};

struct MarkupPiece {
  MarkupKind kind = MarkupKind::End;
  std::string text;
  std::string extra;  // the ruby, or the width of a flag value
  bool operator==(const MarkupPiece&) const = default;
};

// One command of a "<…>" group.
struct InlineCommand {
  // 0 when the group has ended.
  char letter = 0;
  // The signed number after most letters.
  int32_t number = 0;
  // "C" and "B": the seven characters of the colour ("#RRGGBB" when well
  // formed); "V", "O" and "A": the file name up to the closing quote.
  std::string text;
  bool operator==(const InlineCommand&) const = default;
};

// One character at 1-based byte position `p`: a byte with a symbol font,
// else one or two bytes; empty outside the line.
std::string_view MarkupCharAt(std::string_view line, int p, bool symbolFont);

class MarkupReader {
 public:
  // `from` is a 1-based byte position; below 1 reads from the start.
  MarkupReader(std::string_view line, int from);

  bool AtEnd() const { return p_ > Length(); }
  // The next piece. `symbolFont`: characters are single bytes (a "F" command
  // may change the font within the line).
  MarkupPiece Next(bool symbolFont);
  // After an InlineGroup piece: the group's next command, letter 0 at its
  // end. A number without digits, or beyond 32 bits, is the conversion error
  // of the language (a ScriptException).
  InlineCommand NextCommand(bool symbolFont);

  // Where the command NextCommand last returned starts (its letter), or at
  // the group's end where its closing ">" stands (Length() + 1 when the line
  // ended first). What lies between the position before the call and here
  // was skipped: an author's checker shows it.
  int CommandStart() const { return commandStart_; }

  // The 1-based byte position after what was read.
  int Position() const { return p_; }
  int Length() const { return static_cast<int>(line_.size()); }

 private:
  std::string_view line_;
  int p_;
  int commandStart_ = 0;
};

}  // namespace korvana
