// The pop-up menu's one table: its rows hang together, and a row added to it
// is an item the headless runner knows, starts as the row says and runs.
#include <gtest/gtest.h>

#include <set>

#include "NewMenuRows.h"
#include "TempDir.h"
#include "core/Cp932.h"
#include "headless/HeadlessSession.h"

namespace korvana {
namespace {

TEST(MenuTable, EveryParentIsAnEarlierSubmenuAndEveryNameAndIdIsOnce) {
  std::set<std::string> names, submenus;
  std::set<MenuItem> ids;
  for (const MenuRow& row : MenuTable()) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(names.insert(row.name).second);
    if (!row.parent.empty()) {
      EXPECT_TRUE(submenus.count(std::string(row.parent)));
    }
    if (row.item) {
      EXPECT_TRUE(ids.insert(*row.item).second);
    }
    if (row.submenu) {
      submenus.insert(row.name);
      // A submenu only opens: nothing of its own runs or switches.
      EXPECT_FALSE(row.action || row.item || row.shortcut || row.checked);
      EXPECT_EQ(row.host, MenuHost::None);
    } else {
      EXPECT_TRUE(row.action || row.host != MenuHost::None);
    }
  }
  // The story switches every item it has an id for.
  EXPECT_EQ(ids.size(), static_cast<size_t>(MenuItem::Count));
}

TEST(MenuTable, ANewRowIsAnItemOfTheHeadlessRunner) {
  for (const test::NewMenuRows& menu : test::MenusWithANewItem()) {
    SCOPED_TRACE(menu.what);
    test::TempDir game;
    game.Write("autorun.txt", cp932::FromUtf8("あ\r\n"));
    HeadlessCommandLine command;
    std::string error;
    ASSERT_TRUE(ParseHeadlessCommandLine({"--menu", std::string("1:") + menu.item}, command, error,
                                         menu.rows))
        << error;
    // The game's own menu does not know it.
    HeadlessCommandLine without;
    EXPECT_FALSE(ParseHeadlessCommandLine({"--menu", menu.item}, without, error));
    test::newMenuItemRuns = 0;
    HeadlessSession session(command.options, {}, game.str(), menu.rows);
    EXPECT_EQ(session.Run(), 0);
    std::vector<std::string> chosen;
    for (const std::string& line : session.platform.Transcript())
      if (line.rfind("menu\t", 0) == 0) chosen.push_back(line);
    const std::string item = std::string("menu\t") + menu.item;
    EXPECT_EQ(chosen, std::vector<std::string>{menu.enabled ? item : item + "\tdisabled"});
    EXPECT_EQ(test::newMenuItemRuns, menu.enabled ? 1 : 0);
  }
}

}  // namespace
}  // namespace korvana
