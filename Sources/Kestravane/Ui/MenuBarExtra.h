// The menu-bar extra: a system tray icon (tooltip "Plivex") whose icon follows the health and
// whose menu is built afresh from MenuContent each time it opens, after the controller has
// reconciled. Text rows become disabled items, buttons selectable ones, dividers separators; no
// item has a shortcut. A click on the icon opens the menu as a click on a status item does.
// Where the desktop has no system tray it says so once in the log; the menu and the icon stay
// available (menu(), icon(), iconChanged) for a stand-in such as the demo panel's menu bar.
// Threads: main thread only.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Kestravane/AppController.h"
#include "Kestravane/MenuContent.h"
#include "Kestravane/ObservableObject.h"

namespace kestravane::ui {

class MenuBarExtra final : public QObject {
  Q_OBJECT

 public:
  // `openSettings` shows the settings window or brings it forward.
  MenuBarExtra(std::shared_ptr<AppController> controller, std::function<void()> openSettings,
               QObject* parent = nullptr);
  ~MenuBarExtra() override;

  // The menu; it fills itself each time it is about to be shown, wherever it is shown from.
  QMenu* menu() const { return _menu.get(); }
  QIcon icon() const { return _icon; }
  const std::string& symbolName() const { return _symbolName; }
  QSystemTrayIcon& trayIcon() { return tray; }

  // Replaces the items of `menu` with the described ones.
  static void fill(QMenu& menu, const MenuDescription& description);

 signals:
  void iconChanged(const QIcon& icon);

 private:
  void aboutToShow();
  void controllerChanged();
  void fillFrom(const MenuDescription& description);

  MenuContent content;
  std::unique_ptr<QMenu> _menu;
  QSystemTrayIcon tray;
  QIcon _icon;
  std::string _symbolName;
  // The kinds and texts now in the menu, to refill an open menu only when they change.
  std::vector<std::string> shownItems;
  Subscription changes;
};

}  // namespace kestravane::ui
