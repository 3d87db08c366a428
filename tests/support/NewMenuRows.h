#pragma once
// The pop-up menu with items added the way a later change would add them,
// one row each: the window's test and the headless runner's test build their
// menus from these tables and find the new items in them.
#include <string>
#include <vector>

#include "script/MenuTable.h"

namespace korvana::test {

// How often the new items' action ran.
inline int newMenuItemRuns = 0;

struct NewMenuRows {
  std::string what;
  std::vector<MenuRow> rows;  // the game's menu with the additions
  const char* item;           // the added item
  const char* parent;         // its menu ("PopupMenu1" for the top)
  bool enabled;               // as the window opens
};

inline std::vector<NewMenuRows> MenusWithANewItem() {
  auto with = [](std::vector<MenuRow> added) {
    std::vector<MenuRow> rows(MenuTable().begin(), MenuTable().end());
    rows.insert(rows.end(), added.begin(), added.end());
    return rows;
  };
  const auto run = [](Engine&) { ++newMenuItemRuns; };
  // clang-format off
  return {
      {"an item in a submenu",
       with({{.name = "Kcount", .caption = "数える", .parent = "Moption", .shortcut = "Ctrl+J",
              .action = run}}),
       "Kcount", "Moption", true},
      {"an item off until the story allows it",
       with({{.name = "Mcount", .caption = "数える", .enabled = Never,
              .action = run}}),
       "Mcount", "PopupMenu1", false},
      {"a new submenu at the end",
       with({{.name = "Mtools", .caption = "便利機能", .submenu = true},
             {.name = "Ktally", .caption = "数える", .parent = "Mtools", .shortcut = "Ctrl+K",
              .action = run}}),
       "Ktally", "Mtools", true},
  };
  // clang-format on
}

}  // namespace korvana::test
