#pragma once
// The item lines of the current selection (`_selmenu`, `_selbutton`,
// `_selcgmode`): a saved game carries them, so that a menu open at the save
// is the same after a load.
#include <array>
#include <cstdint>
#include <string>

#include "core/SavedFields.h"

namespace korvana {

struct SelectionItems {
  static constexpr int kMaxItems = 32;

  // For a text menu the shown text; for the picture commands an expression
  // whose value picks the button's row (its state).
  std::array<std::string, kMaxItems> ItemLabels;
  // The command part of each item line (may be empty).
  std::array<std::string, kMaxItems> ItemCommands;
  int32_t ItemCount = 0;

  template <typename Self, typename Visit>
  static constexpr void Fields(Self& s, Visit&& visit) {
    visit("ItemLabels", s.ItemLabels);
    visit("ItemCommands", s.ItemCommands);
    visit("ItemCount", s.ItemCount);
  }
  bool operator==(const SelectionItems&) const = default;
};
static_assert(saved::kListsEveryMember<SelectionItems>,
              "a member of SelectionItems is missing from its Fields list");

}  // namespace korvana
