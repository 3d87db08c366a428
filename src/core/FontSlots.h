#pragma once
// The font table (`FontTable`): the message text draws with slot
// `FontIndex`, the ruby text with slot 3; the player picks the faces of the
// first four slots (the font dialog, krv.ini's Font0 to Font3), the others
// hold symbol fonts.
#include <array>
#include <string>

namespace korvana {

inline constexpr int kFontSlotCount = 7;
inline constexpr int kPlayerFontSlotCount = 4;
inline constexpr int kRubyFontSlot = 3;

using FontSlots = std::array<std::string, kFontSlotCount>;

}  // namespace korvana
