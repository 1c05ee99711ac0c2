// Saving what the screenshot tools draw: a widget as it is, and the program's menu filled with
// the controller's current items as the tray shows it.
// Threads: the Qt main thread.
#pragma once

#include <QApplication>
#include <QMenu>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdio>
#include <memory>

#include "Kestravane/AppController.h"
#include "Kestravane/MenuContent.h"
#include "Kestravane/Ui/MenuBarExtra.h"
#include "Kestravane/Ui/PlivexApp.h"

namespace kestravane::screenshots {

inline bool save(QWidget& widget, const QString& path) {
  const bool saved = widget.grab().save(path);
  std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
  return saved;
}

inline bool saveMenu(const std::shared_ptr<AppController>& controller, PlivexApp& app,
                     const QString& path) {
  const MenuContent content(controller, [] {});
  QMenu& menu = *app.menuBarExtra().menu();
  menu.popup(QPoint(40, 40));
  ui::MenuBarExtra::fill(menu, content.build());
  menu.adjustSize();
  QApplication::processEvents();
  const bool saved = save(menu, path);
  menu.hide();
  return saved;
}

}  // namespace kestravane::screenshots
