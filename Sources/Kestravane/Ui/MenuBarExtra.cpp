#include "Kestravane/Ui/MenuBarExtra.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <utility>

#include "Kestravane/Ui/SymbolIcon.h"
#include "Kestravane/Ui/ViewStyle.h"
#include "KestravaneKit/LogLines.h"

namespace kestravane::ui {

namespace {

std::vector<std::string> itemsOf(const MenuDescription& description) {
  std::vector<std::string> items;
  for (const auto& item : description.items) {
    items.push_back(std::to_string(static_cast<int>(item.kind)) + item.text);
  }
  return items;
}

}  // namespace

MenuBarExtra::MenuBarExtra(std::shared_ptr<AppController> controller,
                           std::function<void()> openSettings, QObject* parent)
    : QObject(parent),
      content(controller, std::move(openSettings)),
      _menu(std::make_unique<QMenu>()),
      tray(this),
      changes(controller->subscribe([this] { controllerChanged(); })) {
  const QString title = toQString(MenuContent::kTitle);
  _menu->setTitle(title);
  _menu->setObjectName("menuBarMenu");
  tray.setObjectName("menuBarExtra");
  tray.setToolTip(title);
  tray.setContextMenu(_menu.get());
  connect(_menu.get(), &QMenu::aboutToShow, this, [this] { aboutToShow(); });
  // On macOS the status item opens its menu by itself; elsewhere a click on the icon should too.
  if (QGuiApplication::platformName() != QLatin1String("cocoa")) {
    connect(&tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
              if (why != QSystemTrayIcon::Trigger || _menu->isVisible()) return;
              // Below the icon, as a status item's menu drops from the menu bar.
              const QRect icon = tray.geometry();
              _menu->popup(icon.isValid() ? icon.bottomLeft() + QPoint(0, 1) : QCursor::pos());
            });
  }
  controllerChanged();
  if (!QSystemTrayIcon::isSystemTrayAvailable()) {
    controller->log(logline::kAppNoSystemTray);
  }
  tray.show();
}

MenuBarExtra::~MenuBarExtra() {
  tray.hide();
  tray.setContextMenu(nullptr);
}

void MenuBarExtra::fill(QMenu& menu, const MenuDescription& description) {
  menu.clear();
  // Two separators in a row are what a problem without a remedy looks like: both are drawn.
  menu.setSeparatorsCollapsible(false);
  for (const auto& item : description.items) {
    if (item.kind == MenuItem::Kind::separator) {
      menu.addSeparator()->setData(static_cast<int>(item.role));
      continue;
    }
    QAction* action = menu.addAction(toQString(item.text));
    action->setData(static_cast<int>(item.role));
    action->setEnabled(item.enabled());
    if (item.action) {
      QObject::connect(action, &QAction::triggered, action, [run = item.action] { run(); });
    }
  }
}

void MenuBarExtra::fillFrom(const MenuDescription& description) {
  fill(*_menu, description);
  shownItems = itemsOf(description);
}

void MenuBarExtra::aboutToShow() {
  // The opening brings the controller up to date first, so the menu shows the result.
  content.menuWillOpen();
  fillFrom(content.build());
}

void MenuBarExtra::controllerChanged() {
  const std::string name(content.symbolName());
  if (name != _symbolName) {
    _symbolName = name;
    _icon = symbolIcon(_symbolName);
    tray.setIcon(_icon);
    emit iconChanged(_icon);
  }
  // An open menu follows the state too, but is refilled only when what it shows changed, so the
  // periodic check does not disturb the item under the pointer.
  if (_menu->isVisible()) {
    const auto description = content.build();
    if (itemsOf(description) != shownItems) fillFrom(description);
  }
}

}  // namespace kestravane::ui
