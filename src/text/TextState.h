#pragma once
// The cursor, sizes, colours, limits and modes of the message text.
#include <cstdint>
#include <string>

#include "core/Coords.h"
#include "core/SavedFields.h"

namespace korvana {

struct TextState {
  int32_t CursorX = 0;
  int32_t CursorY = 0;
  uint32_t TextColor = 0xFFFFFF;
  uint32_t ShadowColor = 0;
  bool OutlineMode = false;
  int32_t CharWidth = 24;
  int32_t LineHeight = 24;
  int32_t LineGap = 16;
  std::string FontName;
  std::string RubyFontName;
  int32_t FontHeight = 24;
  int32_t RubyFontHeight = 12;
  int32_t LeftMargin = 0;
  int32_t RightLimit = 616;
  int32_t BottomLimit = 440;
  bool ShadowOn = true;
  bool TextVisible = true;
  int32_t SizeUnits = 2;
  int32_t OffsetX = 0;
  int32_t OffsetY = 0;
  int32_t LineMaxSize = 2;
  int32_t FontIndex = 0;
  int32_t CharWait = 1;

  // The height of a line with its gap, wrapped as the script's integers are
  // (a saved game may hold any two values).
  int32_t LineStep() const { return WrapInt32(int64_t{LineHeight} + LineGap); }

  template <typename Self, typename Visit>
  static constexpr void Fields(Self& s, Visit&& visit) {
    visit("CursorX", s.CursorX);
    visit("CursorY", s.CursorY);
    visit("TextColor", s.TextColor);
    visit("ShadowColor", s.ShadowColor);
    visit("OutlineMode", s.OutlineMode);
    visit("CharWidth", s.CharWidth);
    visit("LineHeight", s.LineHeight);
    visit("LineGap", s.LineGap);
    visit("FontName", s.FontName);
    visit("RubyFontName", s.RubyFontName);
    visit("FontHeight", s.FontHeight);
    visit("RubyFontHeight", s.RubyFontHeight);
    visit("LeftMargin", s.LeftMargin);
    visit("RightLimit", s.RightLimit);
    visit("BottomLimit", s.BottomLimit);
    visit("ShadowOn", s.ShadowOn);
    visit("TextVisible", s.TextVisible);
    visit("SizeUnits", s.SizeUnits);
    visit("OffsetX", s.OffsetX);
    visit("OffsetY", s.OffsetY);
    visit("LineMaxSize", s.LineMaxSize);
    visit("FontIndex", s.FontIndex);
    visit("CharWait", s.CharWait);
  }
  bool operator==(const TextState&) const = default;
};
static_assert(saved::kListsEveryMember<TextState>,
              "a member of TextState is missing from its Fields list");

}  // namespace korvana
