#pragma once
// The pop-up menu, described once. Each row is an item or a submenu, in the
// order the menu shows them; the window builds its menu from these rows, and
// the headless runner its `--menu` names, its items' first states and what
// choosing one does. A new item is one row.
#include <optional>
#include <span>
#include <string_view>

#include "config/Settings.h"
#include "platform/Window.h"

namespace korvana {

class Engine;

// The part of an item that belongs to the window itself, which each host
// supplies: the desktop window toggles its frame or full screen, puts its
// close question and opens the reader's settings dialog (which keeps the
// reader's settings file); the headless window has no frame, closes as its
// close request does, and answers the settings dialog by keeping them.
enum class MenuHost { None, Frame, FullScreen, Close, Settings };

// A first state read from the player's settings as the window opens.
using MenuStart = bool (*)(const config::Settings&);
inline bool Always(const config::Settings&) {
  return true;
}
inline bool Never(const config::Settings&) {
  return false;
}

struct MenuRow {
  // The object name ("Msave", "Mdisplay") that `--menu`, the tests and the
  // window's item look-up go by.
  const char* name;
  const char* caption;  // UTF-8
  // The submenu row this row hangs in (an earlier row); empty: the pop-up
  // menu itself.
  std::string_view parent = {};
  // A submenu: later rows name it as their parent. It has no action.
  bool submenu = false;
  const char* shortcut = nullptr;  // "Ctrl+S"; none when null
  // The caption in debug mode ("DebugMode=on"), when it differs.
  const char* debugCaption = nullptr;
  // The item's id when the story switches it on and off or checks it.
  std::optional<MenuItem> item = {};
  MenuStart enabled = Always;
  MenuStart checked = nullptr;  // null: no check mark
  // The item runs a wait of its own (a view, the log, a dialog): the window
  // runs it as a nested wait, so that an exit raised inside it is handled
  // there rather than thrown through the window system.
  bool ownWait = false;
  // The engine's part, run after the host's; the click that chose the item
  // is cleared after it.
  void (*action)(Engine&) = nullptr;
  MenuHost host = MenuHost::None;
  // An author's tool: the window leaves it out unless the game is in debug
  // mode, so a player's menu stays the game's.
  bool debugOnly = false;
};

// The pop-up menu of every game.
std::span<const MenuRow> MenuTable();

// The item row of that name (not a submenu), or null.
const MenuRow* FindMenuItem(std::span<const MenuRow> rows, std::string_view name);
// The row of the item with that id, or null.
const MenuRow* FindMenuItem(std::span<const MenuRow> rows, MenuItem item);

// A row as the window opens with these settings.
const char* MenuCaption(const MenuRow& row, const config::Settings& settings);
bool MenuStartsEnabled(const MenuRow& row, const config::Settings& settings);
// -1: no check mark; else 0 or 1.
int MenuStartsChecked(const MenuRow& row, const config::Settings& settings);

// The engine's part of a chosen item, then the choosing click cleared, so
// that it never continues the story. The host ran its own part before. Any
// item but "オート" itself stops auto mode: the reader has taken over.
void RunMenuAction(Engine& engine, const MenuRow& row);

}  // namespace korvana
