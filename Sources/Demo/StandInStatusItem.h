// A stand-in for Plivex's status item in the demo window's menu-bar strip, until the program's
// own menu takes its place: a drawn icon and a plain menu with the status line (refreshed, after
// a reconcile as the real menu does, each time it opens) and "Quit".
// Threads: GUI thread only, which is the main thread of the virtual Mac.
// Ownership: the controller and the locale must outlive the item.
#pragma once

#include <QIcon>
#include <QMenu>
#include <functional>
#include <memory>

#include "Kestravane/AppController.h"
#include "Platform/Locale.h"

namespace kestravane::demo {

class StandInStatusItem {
 public:
  // `locale` resolves the system language of the texts; `quit` runs when "Quit" is chosen.
  StandInStatusItem(AppController& controller, platform::Locale& locale,
                    std::function<void()> quit);

  QIcon icon() const { return drawnIcon; }
  QMenu* menu() { return &statusMenu; }
  QString statusLine() const;

 private:
  void rebuild();

  AppController& controller;
  platform::Locale& locale;
  QIcon drawnIcon;
  QMenu statusMenu;
  QAction* status;
};

}  // namespace kestravane::demo
