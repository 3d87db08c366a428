#pragma once
// Message glyphs: faces found through fontconfig, rendered 1-bit by FreeType
// (the AND/OR masks of the message layer have no room for grey edges), and
// kept once rendered.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace korvana {

class Picture;

// A rendered glyph: `bits` holds width × height bytes, 1 where the glyph has
// ink. (left, top) is the bitmap's place relative to the top-left corner of
// the character cell it was drawn for.
struct Glyph {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  int advance = 0;
  std::vector<uint8_t> bits;
};

// How a face is asked for: its name (CP932, as scripts and settings give it),
// the cell height in pixels, and whether it is drawn bold (ruby is).
struct FontSpec {
  std::string name;
  int height = 24;
  bool bold = false;
};

// One family name of an installed face as fontconfig gives it: UTF-8, with
// the language it is written for ("en", "ja" …; empty when not known).
struct FamilyName {
  std::string name;
  std::string lang;
};

// The one name the font dialog lists a face by (CP932): its Japanese name
// where it has one that CP932 can spell, else the first of its names that
// CP932 can spell; empty when there is none, since the settings keep face
// names in CP932 and a name spelt with "?" names no face.
std::string ListedFamilyName(const std::vector<FamilyName>& names);

class FontLibrary {
 public:
  FontLibrary();
  ~FontLibrary();
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;

  // Family names of every installed face (CP932), each name a face goes by,
  // in fontconfig's order.
  std::vector<std::string> InstalledFaces() const;
  // The faces as the font dialog lists them: each once, by its
  // ListedFamilyName, in fontconfig's order. `aliases` (when given) gets each
  // other name of a listed face that CP932 can spell, with the name it is
  // listed by.
  std::vector<std::string> ListedFaces(std::map<std::string, std::string>* aliases) const;

  // The glyph of one character: `bytes` is one CP932 character, or with
  // `symbol` one byte of a symbol font. A face that cannot be found or a
  // character it lacks gives a glyph without ink, never an error.
  const Glyph& GetGlyph(const FontSpec& font, std::string_view bytes, bool symbol = false);

  // Sum of the advances of a CP932 text.
  int TextWidth(const FontSpec& font, std::string_view text);

  // The file fontconfig chose for a face name (UTF-8), empty when none.
  std::string FaceFile(const std::string& name);

  // Rendered glyphs are kept up to this many bytes: a story that writes
  // every character at many sizes (up to 4096 pixels high) would otherwise
  // keep them all for good.
  static constexpr size_t kMostGlyphBytes = size_t{32} << 20;
  // Face names remembered with what they found.
  static constexpr size_t kMostFaceNames = 256;
  size_t CachedGlyphBytes() const;

 private:
  struct Face;
  Face* FindFace(const std::string& name);
  Glyph Render(Face& face, int height, bool bold, uint32_t charCode, bool symbol);

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Puts the glyph's ink into `target` with its cell's top-left corner at
// (x, y), in `color` (0x00RRGGBB), clipped to the picture.
void PutGlyph(Picture& target, const Glyph& glyph, int x, int y, uint32_t color);

// A CP932 text (a byte at a time with `symbol`) from the cell corner (x, y)
// along its advances; returns the width drawn.
int DrawString(Picture& target, FontLibrary& fonts, const FontSpec& font, std::string_view text,
               int x, int y, uint32_t color, bool symbol = false);

}  // namespace korvana
