#pragma once
// The layer state a saved game carries, apart from the layers that draw it:
// the records of the pictures, the sprite sheet and its sprites.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/SavedFields.h"
#include "graphics/Transparency.h"

namespace korvana {

// One record of the two layer arrays; saved and restored with the game, the
// spare fields included.
struct LayerRecord {
  uint8_t shown = 0;
  uint8_t loaded = 0;
  uint8_t transparent = 0;
  int32_t maskMode = 0;
  int32_t colorKey = kNoTransparency;
  std::string fileName;
  std::string maskSpec;
  int32_t spare = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t position = 0;
  uint8_t spareFlag = 0;
  int32_t blendMode = 0;

  template <typename Self, typename Visit>
  static constexpr void Fields(Self& s, Visit&& visit) {
    visit("shown", s.shown);
    visit("loaded", s.loaded);
    visit("transparent", s.transparent);
    visit("maskMode", s.maskMode);
    visit("colorKey", s.colorKey);
    visit("fileName", s.fileName);
    visit("maskSpec", s.maskSpec);
    visit("spare", s.spare);
    visit("x", s.x);
    visit("y", s.y);
    visit("position", s.position);
    visit("spareFlag", s.spareFlag);
    visit("blendMode", s.blendMode);
  }
  bool operator==(const LayerRecord&) const = default;

  // The state after a background-style load of `file`: loaded, hidden, no
  // mask, at (0, 0), every other field 0.
  void ResetForLoad(std::string_view file) {
    *this = LayerRecord{};
    loaded = 1;
    fileName = std::string(file);
  }
  // Unloaded: flags, position and names cleared, no transparency.
  void Unload() {
    shown = loaded = transparent = 0;
    x = y = 0;
    fileName.clear();
    maskSpec.clear();
    colorKey = kNoTransparency;
  }
};
static_assert(saved::kListsEveryMember<LayerRecord>,
              "a member of LayerRecord is missing from its Fields list");

// Indices of the first array (one record per base picture).
enum BaseRecord : int {
  kWorkScreenRecord = 0,
  kBackgroundRecord = 1,
  kEffectRecord = 2,
  kMessageImageRecord = 3,
  kSpareRecord = 4,
  kEffectMaskRecord = 5,
  kMessageMaskRecord = 6,
  kTransitionRecord = 7,
  kScratchRecord = 8,
  kBaseRecordCount = 9,
};
inline constexpr int kObjectCount = 3;
inline constexpr int kSpriteCount = 32;
// Bit 16 of a sprite's x: off the screen, nothing to restore.
inline constexpr int32_t kSpriteOffScreen = 0x10000;

struct SpriteSheetState {
  std::string fileName;
  std::string maskSpec;
  int32_t cellWidth = 0;
  int32_t cellHeight = 0;
  int32_t columns = 0;
  int32_t rows = 0;
  int32_t colorKey = kNoTransparency;
  uint8_t transparent = 0;
  uint8_t usable = 0;

  template <typename Self, typename Visit>
  static constexpr void Fields(Self& s, Visit&& visit) {
    visit("fileName", s.fileName);
    visit("maskSpec", s.maskSpec);
    visit("cellWidth", s.cellWidth);
    visit("cellHeight", s.cellHeight);
    visit("columns", s.columns);
    visit("rows", s.rows);
    visit("colorKey", s.colorKey);
    visit("transparent", s.transparent);
    visit("usable", s.usable);
  }
  bool operator==(const SpriteSheetState&) const = default;
};
static_assert(saved::kListsEveryMember<SpriteSheetState>,
              "a member of SpriteSheetState is missing from its Fields list");

struct Sprite {
  int32_t x = kSpriteOffScreen;
  int32_t y = 0;
  int32_t column = 0;
  int32_t row = 0;
  uint8_t visible = 0;
  // Negative: endless.
  int32_t animation = 0;

  bool OnScreen() const { return x < kSpriteOffScreen; }

  template <typename Self, typename Visit>
  static constexpr void Fields(Self& s, Visit&& visit) {
    visit("x", s.x);
    visit("y", s.y);
    visit("column", s.column);
    visit("row", s.row);
    visit("visible", s.visible);
    visit("animation", s.animation);
  }
  bool operator==(const Sprite&) const = default;
};
static_assert(saved::kListsEveryMember<Sprite>,
              "a member of Sprite is missing from its Fields list");

// The layer state a saved game carries: both record arrays, the sprite sheet,
// the sprites and the automatic refresh mode.
struct LayerState {
  std::array<LayerRecord, kBaseRecordCount> baseRecords{};
  std::array<LayerRecord, 2 * kObjectCount> objectRecords{};
  SpriteSheetState sheet;
  std::array<Sprite, kSpriteCount> sprites{};
  std::string AutoRefreshMode = "0";

  template <typename Self, typename Visit>
  static constexpr void Fields(Self& s, Visit&& visit) {
    visit("baseRecords", s.baseRecords);
    visit("objectRecords", s.objectRecords);
    visit("sheet", s.sheet);
    visit("sprites", s.sprites);
    visit("AutoRefreshMode", s.AutoRefreshMode);
  }
  bool operator==(const LayerState&) const = default;
};
static_assert(saved::kListsEveryMember<LayerState>,
              "a member of LayerState is missing from its Fields list");

}  // namespace korvana
