#include "PopupMenu.h"

#include <QKeySequence>

namespace korvana {

PopupMenu BuildPopupMenu(QWidget* window, std::span<const MenuRow> rows,
                         const config::Settings& settings,
                         std::function<void(const MenuRow&)> chosen) {
  PopupMenu built;
  built.menu = new QMenu(window);
  built.menu->setObjectName("PopupMenu1");
  std::map<std::string_view, QMenu*> submenus;
  for (const MenuRow& row : rows) {
    if (row.debugOnly && !settings.DebugMode) continue;
    QMenu* parent = built.menu;
    if (!row.parent.empty()) {
      const auto it = submenus.find(row.parent);
      if (it == submenus.end()) continue;
      parent = it->second;
    }
    const QString caption = QString::fromUtf8(MenuCaption(row, settings));
    if (row.submenu) {
      QMenu* submenu = parent->addMenu(caption);
      submenu->setObjectName(row.name);
      submenus[row.name] = submenu;
      continue;
    }
    auto* action = new QAction(caption, window);
    action->setObjectName(row.name);
    if (row.shortcut) action->setShortcut(QKeySequence(QString::fromUtf8(row.shortcut)));
    // Shortcuts work with the menu closed; a disabled item ignores its own.
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action);
    action->setEnabled(MenuStartsEnabled(row, settings));
    if (const int checked = MenuStartsChecked(row, settings); checked >= 0) {
      action->setCheckable(true);
      action->setChecked(checked != 0);
    }
    parent->addAction(action);
    built.items[row.name] = action;
    QObject::connect(action, &QAction::triggered, window, [&row, chosen] { chosen(row); });
  }
  return built;
}

}  // namespace korvana
