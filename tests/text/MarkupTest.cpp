// The markup reader on its own: message lines in, pieces out, no pictures.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "GameRun.h"
#include "core/Cp932.h"
#include "core/Errors.h"
#include "text/Markup.h"

namespace korvana {
namespace {

// A character as the test writes it: UTF-8, or "\xNN" for a byte alone.
std::string Shown(const std::string& sjis) {
  if (sjis.size() == 1 && static_cast<unsigned char>(sjis[0]) >= 0x80) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(sjis[0]));
    return buf;
  }
  return cp932::ToUtf8(sjis);
}

std::string MarkName(MarkupKind kind) {
  static const std::pair<MarkupKind, const char*> kNames[] = {
      {MarkupKind::End, "end"},     {MarkupKind::LineWait, "."}, {MarkupKind::LineBreak, "|"},
      {MarkupKind::Wait, "^"},      {MarkupKind::NoEnd, "%"},    {MarkupKind::PageEnd, "&"},
  };
  for (const auto& [k, name] : kNames)
    if (k == kind) return name;
  return "?";
}

// Every piece of `line` from `from`, one word each: characters as they are,
// marks as their character, "ruby base/reading", "value expression/width",
// and an inline group as "<", its commands ("S2", "C#FF0000", "Vse.wav")
// and ">". A conversion error ends the list with "error" and its message.
std::vector<std::string> Pieces(const std::string& utf8, int from, bool symbolFont) {
  const std::string line = test::Sjis(utf8);
  MarkupReader reader(line, from);
  std::vector<std::string> out;
  try {
    while (!reader.AtEnd()) {
      const MarkupPiece piece = reader.Next(symbolFont);
      switch (piece.kind) {
        case MarkupKind::Character:
          out.push_back(Shown(piece.text));
          break;
        case MarkupKind::Centre:
          out.push_back("/@" + std::to_string(reader.Position()));
          break;
        case MarkupKind::Ruby:
          out.push_back("ruby " + cp932::ToUtf8(piece.text) + "/" + cp932::ToUtf8(piece.extra));
          break;
        case MarkupKind::FlagValue:
          out.push_back("value " + piece.text + "/" + piece.extra);
          break;
        case MarkupKind::InlineGroup:
          out.push_back("<");
          for (InlineCommand c; (c = reader.NextCommand(symbolFont)).letter != 0;)
            out.push_back(c.letter + (c.text.empty() ? std::to_string(c.number) : c.text));
          out.push_back(">");
          break;
        default:
          out.push_back(MarkName(piece.kind));
          break;
      }
    }
  } catch (const ScriptException& e) {
    out.push_back("error " + cp932::ToUtf8(e.what()));
  }
  return out;
}

TEST(Markup, LinesReadAsTheMessageLayerActsOnThem) {
  struct Case {
    const char* line;
    int from;
    bool symbolFont;
    std::vector<std::string> pieces;
  };
  const Case cases[] = {
      {"Aあい", 1, false, {"A", "あ", "い"}},
      // A symbol font takes every byte as a character.
      {"Aあ", 1, true, {"A", "\\x82", "\\xA0"}},
      {"ABCD", 3, false, {"C", "D"}},
      {"AB", 0, false, {"A", "B"}},
      {"a.b|c^d%e&f", 1, false, {"a", ".", "b", "|", "c", "^", "d", "%", "e", "&", "f"}},
      // The centring mark says how much of the line is left after it.
      {"/あい", 1, false, {"/@2", "あ", "い"}},
      {"(漢字)かんじ)x", 1, false, {"ruby 漢字/かんじ", "x"}},
      {"(abc", 1, false, {"ruby abc/"}},
      {"[1+2,4]z", 1, false, {"value 1+2/4", "z"}},
      {"[$flg[1]]", 1, false, {"value $flg[1]]/"}},
      {"<S2F5X-10Q+30>A", 1, false, {"<", "S2", "F5", "X-10", "Q30", ">", "A"}},
      // Unknown letters, blanks and two-byte characters inside a group are
      // skipped; a group without its end runs to the end of the line.
      {"<zS3 あY7>", 1, false, {"<", "S3", "Y7", ">"}},
      {"<S2", 1, false, {"<", "S2", ">"}},
      {"<C#FF0000B#00FF00>", 1, false, {"<", "C#FF0000", "B#00FF00", ">"}},
      {"<C#F>x", 1, false, {"<", "C#F>x", ">"}},
      {"<Vse.wav\"Opiano.wav\"Apic.bmp\">", 1, false,
       {"<", "Vse.wav", "Opiano.wav", "Apic.bmp", ">"}},
      {"a<S>b", 1, false, {"a", "<", "error '' は正しい整数値ではありません"}},
      {"<W2147483648>", 1, false, {"<", "error '2147483648' は正しい整数値ではありません"}},
      {"<W-2147483648>", 1, false, {"<", "W-2147483648", ">"}},
      {"<W+>", 1, false, {"<", "error '+' は正しい整数値ではありません"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Pieces(c.line, c.from, c.symbolFont), c.pieces) << c.line << " from " << c.from;
}

}  // namespace
}  // namespace korvana
