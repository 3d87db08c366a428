#pragma once
// The window's pop-up menu made from the rows of a menu table
// (script/MenuTable.h): a submenu per submenu row and an action per item
// row, in the table's order, as the window opens with the player's settings.
#include <QAction>
#include <QMenu>
#include <QString>
#include <functional>
#include <map>
#include <span>

#include "config/Settings.h"
#include "script/MenuTable.h"

namespace korvana {

struct PopupMenu {
  QMenu* menu = nullptr;              // "PopupMenu1"
  std::map<QString, QAction*> items;  // every item row, by name
};

// The menu of `rows` over `window`, which owns it and takes each item's
// shortcut, so that shortcuts work with the menu closed. `chosen` gets the
// row of an item chosen from the menu or by its shortcut (`rows` outlive the
// menu). A row whose parent is not an earlier submenu is left out.
PopupMenu BuildPopupMenu(QWidget* window, std::span<const MenuRow> rows,
                         const config::Settings& settings,
                         std::function<void(const MenuRow&)> chosen);

}  // namespace korvana
