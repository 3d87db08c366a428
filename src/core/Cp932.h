#pragma once
// Shift-JIS (code page 932) at the edges of the engine. Script text stays CP932
// bytes inside; these convert for glyph lookup, file names, widgets and dumps.
#include <string>
#include <string_view>

namespace korvana::cp932 {

// True for the first byte of a two-byte character.
inline bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Length in bytes of the character starting at s[i] (1 or 2; a lead byte at
// the very end counts as one byte so callers never step past the text).
inline size_t CharLength(std::string_view s, size_t i) {
  return (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
}

// Equality without regard to the case of ASCII letters, character by
// character, so the trail byte of a two-byte character is never folded.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size();) {
    size_t n = CharLength(a, i);
    if (n == 2) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
    } else {
      unsigned char x = a[i], y = b[i];
      if (x >= 'A' && x <= 'Z') x += 32;
      if (y >= 'A' && y <= 'Z') y += 32;
      if (x != y) return false;
    }
    i += n;
  }
  return true;
}

// Unicode code point of one CP932 character (one or two bytes); U+FFFD when
// the bytes map to nothing.
char32_t DecodeChar(unsigned char lead, unsigned char trail);

// CP932 bytes to UTF-8; bytes that map to nothing become U+FFFD.
std::string ToUtf8(std::string_view sjis);

// UTF-8 to CP932; characters CP932 lacks become "?", and `complete` (when
// given) is then set false.
std::string FromUtf8(std::string_view utf8, bool* complete = nullptr);

}  // namespace korvana::cp932

namespace korvana {
// A message literal of this program (written in UTF-8 in the source) in the
// engine's CP932 form.
inline std::string J(std::string_view utf8) {
  return cp932::FromUtf8(utf8);
}
}  // namespace korvana
