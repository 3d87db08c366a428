// The window's pop-up menu made from a menu table: a row added to the table
// is an item of the menu, in its place, with its caption, shortcut and
// state, and choosing it runs the row.
#include <QAction>
#include <QMenu>
#include <QWidget>
#include <QtTest>
#include <algorithm>

#include "GuiTests.h"
#include "NewMenuRows.h"
#include "PopupMenu.h"

using namespace korvana;

class PopupMenuTest : public QObject {
  Q_OBJECT

 private slots:
  void aNewRowIsAnItemOfTheWindowsMenu() {
    for (const test::NewMenuRows& menu : test::MenusWithANewItem()) {
      const QByteArray what = QByteArray::fromStdString(menu.what);
      QWidget window;
      std::vector<std::string> chosen;
      const PopupMenu built =
          BuildPopupMenu(&window, menu.rows, config::Settings{},
                         [&](const MenuRow& row) { chosen.push_back(row.name); });
      QAction* added = built.items.count(menu.item) ? built.items.at(menu.item) : nullptr;
      QVERIFY2(added, what);
      const MenuRow& row = menu.rows.back();
      QCOMPARE(added->text(), QString::fromUtf8(row.caption));
      QCOMPARE(added->shortcut(),
               QKeySequence(row.shortcut ? QString::fromUtf8(row.shortcut) : QString()));
      QCOMPARE(added->isEnabled(), menu.enabled);
      QVERIFY(!added->isCheckable());
      // Last in its menu, and the game's items still all there.
      QMenu* parent = built.menu->objectName() == menu.parent
                          ? built.menu
                          : built.menu->findChild<QMenu*>(menu.parent);
      QVERIFY2(parent, what);
      QCOMPARE(parent->actions().back(), added);
      // The author's items are not a player's.
      const auto gameItems =
          std::count_if(MenuTable().begin(), MenuTable().end(),
                        [](const MenuRow& r) { return !r.submenu && !r.debugOnly; });
      QCOMPARE(built.items.size(), std::size_t(gameItems + 1));
      added->trigger();
      QCOMPARE(chosen, std::vector<std::string>(menu.enabled ? 1 : 0, menu.item));
    }
  }

  // A player's menu is the game's: the author's items come only with
  // "DebugMode=on", enabled and with their shortcuts.
  void theAuthorsItemsAreThereInDebugModeOnly() {
    for (const bool debug : {false, true}) {
      config::Settings settings;
      settings.DebugMode = debug;
      QWidget window;
      const PopupMenu built = BuildPopupMenu(&window, MenuTable(), settings, [](const MenuRow&) {});
      int authorRows = 0;
      for (const MenuRow& row : MenuTable()) {
        if (!row.debugOnly) continue;
        ++authorRows;
        QAction* action = built.items.count(row.name) ? built.items.at(row.name) : nullptr;
        QCOMPARE(action != nullptr, debug);
        QCOMPARE(window.findChild<QAction*>(row.name) != nullptr, debug);
        if (!action) continue;
        QVERIFY(action->isEnabled());
        QCOMPARE(action->shortcut(), QKeySequence(QString::fromUtf8(row.shortcut)));
      }
      QVERIFY(authorRows > 0);
    }
  }
};

KORVANA_GUI_TEST(PopupMenuTest);
#include "PopupMenuTest.moc"
