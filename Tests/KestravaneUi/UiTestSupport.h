// The interface on the test rig's virtual Mac: the controller with PlivexApp (menu-bar extra,
// settings window, onboarding window host), the test's thread driving both the virtual main
// queue and Qt's events.
// Threads: the test's thread, which is the main thread.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QWidget>
#include <QWindow>
#include <memory>
#include <stdexcept>

#include "Kestravane/AppTestSupport.h"
#include "Kestravane/MenuContent.h"
#include "Kestravane/Ui/PlivexApp.h"

namespace kestravane::testing_support {

// The widget named `id` in `window`, while the window shows it; null otherwise.
inline QWidget* shown(QWidget& window, const std::string& id) {
  auto* widget = window.findChild<QWidget*>(QString::fromStdString(id));
  return widget && widget->isVisibleTo(&window) ? widget : nullptr;
}

class UiTest : public AppTest {
 protected:
  ~UiTest() override {
    app.reset();
    controller.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Start-up with the interface in place before the posted onboarding check runs.
  PlivexApp& startApp() {
    controller = AppController::create(services());
    app = std::make_unique<PlivexApp>(controller);
    settle();
    return *app;
  }

  // Runs the posted work (redraws among it) and Qt's pending events.
  void settle() {
    for (int i = 0; i < 3; ++i) {
      runPending();
      QCoreApplication::processEvents();
    }
  }
  void advanceAndSettle(double seconds) {
    advance(seconds);
    settle();
  }

  // A window closed as its title bar's close button closes it: the window system's close
  // request goes to the native window.
  static void closeByCloseButton(QWidget& window) {
    QCloseEvent event;
    QCoreApplication::sendEvent(window.windowHandle(), &event);
  }

  static QAction* actionWith(QMenu& menu, MenuItem::Role role) {
    for (QAction* action : menu.actions()) {
      if (action->data().toInt() == static_cast<int>(role)) return action;
    }
    return nullptr;
  }

  std::unique_ptr<PlivexApp> app;
};

}  // namespace kestravane::testing_support
