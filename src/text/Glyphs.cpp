#include "text/Glyphs.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>
#include <unordered_set>

#include "core/Coords.h"
#include "core/Cp932.h"
#include "graphics/Picture.h"

namespace korvana {

struct FontLibrary::Face {
  FT_Face face = nullptr;
  bool hasSymbolMap = false;
  int sizedFor = -1;  // cell height the face is currently set to
  int baseline = 0;   // pixels from the cell top to the baseline
};

namespace {

// Loading fontconfig's configuration parses all of its files and scans the
// font folders: done once per process (engines are built for every test run
// and every fuzzing run), each library holding a reference. Fontconfig allows
// a configuration nobody changes to be used from several threads.
FcConfig* SharedFontConfig() {
  static const struct Shared {
    FcConfig* config = FcInitLoadConfigAndFonts();
    ~Shared() {
      if (config) FcConfigDestroy(config);
    }
  } shared;
  return shared.config;
}

}  // namespace

struct FontLibrary::Impl {
  FT_Library library = nullptr;
  // Taken when the first face is looked up, not when the library is made:
  // the window's first frame needs no glyph, and loading the configuration
  // costs it several milliseconds.
  FcConfig* Config() {
    if (!configTaken) {
      configTaken = true;
      config = SharedFontConfig();
      if (config) FcConfigReference(config);
    }
    return config;
  }
  FcConfig* config = nullptr;
  bool configTaken = false;
  // Faces by file and index, so that names falling to the same file share it.
  std::unordered_map<std::string, std::unique_ptr<Face>> facesByFile;
  std::unordered_map<std::string, Face*> facesByName;  // null: nothing found
  struct Key {
    Face* face;
    int height;
    bool bold;
    bool symbol;
    uint32_t code;
    bool operator==(const Key&) const = default;
  };
  struct KeyHash {
    size_t operator()(const Key& k) const {
      size_t h = std::hash<const void*>()(k.face);
      h = h * 31 + static_cast<size_t>(k.height);
      h = h * 31 + (k.bold ? 1 : 0) + (k.symbol ? 2 : 0);
      return h * 1000003u + k.code;
    }
  };
  std::unordered_map<Key, Glyph, KeyHash> glyphs;
  // What the kept glyphs take, their bitmaps and their places in the map.
  size_t glyphBytes = 0;
  Glyph empty;
};

FontLibrary::FontLibrary() : impl_(std::make_unique<Impl>()) {
  if (FT_Init_FreeType(&impl_->library) != 0) impl_->library = nullptr;
}

FontLibrary::~FontLibrary() {
  for (auto& [file, face] : impl_->facesByFile)
    if (face->face) FT_Done_Face(face->face);
  if (impl_->library) FT_Done_FreeType(impl_->library);
  if (impl_->config) FcConfigDestroy(impl_->config);
}

namespace {

// The family names of every installed face with their languages, a face at a
// time, in fontconfig's order.
std::vector<std::vector<FamilyName>> FamiliesOf(FcConfig* config) {
  std::vector<std::vector<FamilyName>> faces;
  if (!config) return faces;
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FAMILYLANG, nullptr);
  FcFontSet* set = FcFontList(config, pattern, objects);
  if (set) {
    for (int i = 0; i < set->nfont; ++i) {
      std::vector<FamilyName> names;
      FcChar8* family = nullptr;
      for (int n = 0; FcPatternGetString(set->fonts[i], FC_FAMILY, n, &family) == FcResultMatch;
           ++n) {
        FcChar8* lang = nullptr;
        if (FcPatternGetString(set->fonts[i], FC_FAMILYLANG, n, &lang) != FcResultMatch)
          lang = nullptr;
        names.push_back({reinterpret_cast<const char*>(family),
                         lang ? reinterpret_cast<const char*>(lang) : ""});
      }
      faces.push_back(std::move(names));
    }
    FcFontSetDestroy(set);
  }
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return faces;
}

// The name in CP932, or empty when CP932 cannot spell all of it.
std::string SpeltInCp932(const std::string& utf8) {
  bool complete = true;
  std::string sjis = cp932::FromUtf8(utf8, &complete);
  return complete ? sjis : std::string();
}

// The proportional Japanese faces of Windows, when they are not installed,
// fall to the proportional IPA faces: by language alone they would fall to
// the fixed-pitch ones, whose wider cells overrun the buttons and boxes
// drawn for them.
const char* ProportionalStandIn(std::string_view utf8) {
  static constexpr std::pair<std::string_view, const char*> kStandIns[] = {
      {"ＭＳ Ｐゴシック", "IPAPGothic"},
      {"MS PGothic", "IPAPGothic"},
      {"ＭＳ Ｐ明朝", "IPAPMincho"},
      {"MS PMincho", "IPAPMincho"},
  };
  for (const auto& [name, standIn] : kStandIns)
    if (utf8 == name) return standIn;
  return nullptr;
}

}  // namespace

std::string ListedFamilyName(const std::vector<FamilyName>& names) {
  std::string first;
  for (const FamilyName& n : names) {
    const std::string sjis = SpeltInCp932(n.name);
    if (sjis.empty()) continue;
    if (n.lang == "ja" || n.lang.rfind("ja-", 0) == 0) return sjis;
    if (first.empty()) first = sjis;
  }
  return first;
}

std::vector<std::string> FontLibrary::InstalledFaces() const {
  std::vector<std::string> names;
  for (const auto& face : FamiliesOf(impl_->Config()))
    for (const FamilyName& n : face) names.push_back(cp932::FromUtf8(n.name));
  // fontconfig's order, as the font dialog lists them; a family of several
  // faces once, where it first appears.
  std::unordered_set<std::string> seen;
  names.erase(std::remove_if(names.begin(), names.end(),
                             [&seen](const std::string& n) { return !seen.insert(n).second; }),
              names.end());
  return names;
}

std::vector<std::string> FontLibrary::ListedFaces(
    std::map<std::string, std::string>* aliases) const {
  std::vector<std::string> listed;
  std::unordered_set<std::string> seen;
  for (const auto& face : FamiliesOf(impl_->Config())) {
    const std::string name = ListedFamilyName(face);
    if (name.empty()) continue;
    if (seen.insert(name).second) listed.push_back(name);
    if (!aliases) continue;
    for (const FamilyName& n : face) {
      const std::string other = SpeltInCp932(n.name);
      if (!other.empty() && other != name) aliases->emplace(other, name);
    }
  }
  return listed;
}

std::string FontLibrary::FaceFile(const std::string& name) {
  FcConfig* config = impl_->Config();
  if (!config) return {};
  // Japanese names of faces that are not installed ("ＭＳ ゴシック") must
  // fall to a Japanese face, not to whatever the default Latin face is.
  FcPattern* pattern = FcPatternCreate();
  const std::string utf8 = cp932::ToUtf8(name);
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(utf8.c_str()));
  if (const char* standIn = ProportionalStandIn(utf8))
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(standIn));
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
  FcConfigSubstitute(config, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(config, pattern, &result);
  std::string file;
  if (match) {
    FcChar8* path = nullptr;
    int index = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
      FcPatternGetInteger(match, FC_INDEX, 0, &index);
      file = std::string(reinterpret_cast<const char*>(path)) + "#" + std::to_string(index);
    }
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return file;
}

FontLibrary::Face* FontLibrary::FindFace(const std::string& name) {
  auto known = impl_->facesByName.find(name);
  if (known != impl_->facesByName.end()) return known->second;
  Face* found = nullptr;
  const std::string file = impl_->library ? FaceFile(name) : std::string();
  if (!file.empty()) {
    auto& slot = impl_->facesByFile[file];
    if (!slot) {
      slot = std::make_unique<Face>();
      const size_t hash = file.rfind('#');
      const long index = std::strtol(file.c_str() + hash + 1, nullptr, 10);
      if (FT_New_Face(impl_->library, file.substr(0, hash).c_str(), index, &slot->face) != 0)
        slot->face = nullptr;
      if (slot->face)
        slot->hasSymbolMap = FT_Select_Charmap(slot->face, FT_ENCODING_MS_SYMBOL) == 0;
    }
    if (slot->face) found = slot.get();
  }
  // Names come from scripts, which can make a new one on every pass; the
  // faces themselves stay in facesByFile.
  if (impl_->facesByName.size() >= kMostFaceNames) impl_->facesByName.clear();
  impl_->facesByName[name] = found;
  return found;
}

Glyph FontLibrary::Render(Face& f, int height, bool bold, uint32_t code, bool symbol) {
  Glyph g;
  FT_Face face = f.face;
  if (f.sizedFor != height) {
    // The height is the cell (ascent plus descent), as the message layer's
    // line arithmetic counts it; the em is scaled to make the cell fit.
    const int span = face->ascender - face->descender;
    const int units = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    int em = span > 0 ? static_cast<int>(std::lround(double(height) * units / span)) : height;
    if (em < 1) em = 1;
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em));
    f.baseline = span > 0 ? static_cast<int>(std::lround(double(height) * face->ascender / span))
                          : height * 7 / 8;
    f.sizedFor = height;
  }
  // Symbol faces map their bytes at U+F000 in a charmap of their own.
  FT_UInt index = 0;
  if (symbol && f.hasSymbolMap && FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0) {
    index = FT_Get_Char_Index(face, 0xF000 + code);
    if (index == 0) index = FT_Get_Char_Index(face, code);
  }
  if (index == 0 && FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0)
    index = FT_Get_Char_Index(face, code);
  if (index == 0) return g;
  if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_MONO) != 0) return g;
  FT_GlyphSlot slot = face->glyph;
  if (bold && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    const FT_Pos strength = std::max<FT_Pos>(64, height * 64 / 24);
    FT_Outline_Embolden(&slot->outline, strength);
  }
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return g;
  const FT_Bitmap& bm = slot->bitmap;
  g.advance = static_cast<int>((slot->advance.x + 32) >> 6) + (bold ? 1 : 0);
  g.left = slot->bitmap_left;
  g.top = f.baseline - slot->bitmap_top;
  g.width = static_cast<int>(bm.width);
  g.height = static_cast<int>(bm.rows);
  g.bits.assign(static_cast<size_t>(g.width) * g.height, 0);
  for (int y = 0; y < g.height; ++y) {
    const unsigned char* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
    for (int x = 0; x < g.width; ++x)
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] >> (7 - (x & 7))) & 1 : row[x] >= 128)
        g.bits[static_cast<size_t>(y) * g.width + x] = 1;
  }
  return g;
}

const Glyph& FontLibrary::GetGlyph(const FontSpec& font, std::string_view bytes, bool symbol) {
  if (bytes.empty() || font.height <= 0) return impl_->empty;
  Face* face = FindFace(font.name);
  if (!face) return impl_->empty;
  const auto lead = static_cast<unsigned char>(bytes[0]);
  uint32_t code;
  if (symbol)
    code = lead;
  else
    code = bytes.size() > 1 ? cp932::DecodeChar(lead, static_cast<unsigned char>(bytes[1]))
                            : cp932::DecodeChar(lead, 0);
  // Absurd heights (a script's size of millions) are not rendered: nothing
  // that large fits the 640 × 480 screen.
  const int height = std::min(font.height, 4096);
  Impl::Key key{face, height, font.bold, symbol, code};
  auto it = impl_->glyphs.find(key);
  if (it != impl_->glyphs.end()) return it->second;
  Glyph glyph = Render(*face, height, font.bold, code, symbol);
  const size_t kept = glyph.bits.size() + sizeof(Impl::Key) + sizeof(Glyph) + 2 * sizeof(void*);
  // Past the bound the cache starts again. Every caller draws from the
  // glyph it gets before it asks for the next, so none is left dangling.
  if (impl_->glyphBytes + kept > kMostGlyphBytes) {
    impl_->glyphs.clear();
    impl_->glyphBytes = 0;
  }
  impl_->glyphBytes += kept;
  return impl_->glyphs.emplace(key, std::move(glyph)).first->second;
}

size_t FontLibrary::CachedGlyphBytes() const {
  return impl_->glyphBytes;
}

int FontLibrary::TextWidth(const FontSpec& font, std::string_view text) {
  // A line of megabytes in a large face is wider than int counts.
  int64_t width = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t n = cp932::CharLength(text, i);
    width += GetGlyph(font, text.substr(i, n)).advance;
    i += n;
  }
  return PinCoordinate(width);
}

void PutGlyph(Picture& target, const Glyph& glyph, int x, int y, uint32_t color) {
  const int ox = x + glyph.left, oy = y + glyph.top;
  const int y0 = std::max(0, -oy), y1 = std::min(glyph.height, target.Height() - oy);
  const int x0 = std::max(0, -ox), x1 = std::min(glyph.width, target.Width() - ox);
  for (int gy = y0; gy < y1; ++gy) {
    const uint8_t* bits = glyph.bits.data() + static_cast<size_t>(gy) * glyph.width;
    uint32_t* row = target.Row(oy + gy) + ox;
    for (int gx = x0; gx < x1; ++gx)
      if (bits[gx]) row[gx] = color;
  }
}

int DrawString(Picture& target, FontLibrary& fonts, const FontSpec& font, std::string_view text,
               int x, int y, uint32_t color, bool symbol) {
  int64_t at = x;
  for (size_t i = 0; i < text.size();) {
    const size_t n = symbol ? 1 : cp932::CharLength(text, i);
    const Glyph& g = fonts.GetGlyph(font, text.substr(i, n), symbol);
    PutGlyph(target, g, PinCoordinate(at), y, color);
    at += g.advance;
    i += n;
  }
  return PinCoordinate(at - x);
}

}  // namespace korvana
