// What Plivex runs on a real Linux desktop, whichever backend serves it (X11Session,
// WaylandSession): the backend's main queue driven by Qt's event loop, the program's one
// application controller over the installed services, the interface (tray icon and menu, settings
// and onboarding windows) and the wake from sleep heard from logind on the system bus, which
// rebuilds the engine as a Mac's wake does. Quit in the menu terminates the application, which
// ends Qt's loop. Where the desktop shows no tray icon (neither an X11 tray nor a D-Bus
// status-notifier host, looked for again for a moment since trays come up late), the settings
// window opens at start: it shows the health, the remedies and Quit, and a second start brings it
// forward.
// Threads: GUI thread only; made after the QApplication, destroyed before it.
// Ownership: borrows the backend's host services, which must outlive it; the program's one
//   controller outlives the session, but destruction stops its engine and key tester and waits
//   for their threads, so the backend is destroyed after it with no engine running (and the
//   trigger key's own action is given back while the backend is still there).
#pragma once

#include <QTimer>
#include <chrono>
#include <memory>
#include <string>

#include "Kestravane/AppController.h"
#include "Kestravane/Linux/MainQueueDriver.h"
#include "Kestravane/Ui/PlivexApp.h"
#include "Platform/Host/DispatchQueues.h"
#include "Platform/Host/HostApplication.h"
#include "Platform/Host/HostLog.h"
#include "Platform/Host/HostThreads.h"
#include "Platform/LinuxDesktop/DesktopWorkspace.h"
#include "Platform/Services.h"

namespace kestravane::linux_app {

class LogindWakeListener;

class DesktopSession {
 public:
  // What a backend gives the session; every reference outlives it.
  struct Backend {
    std::shared_ptr<const platform::Services> services;
    platform::host::DispatchQueues& dispatch;
    platform::host::HostThreads& threads;
    platform::host::HostLog& log;
    platform::host::HostApplication& application;
    platform::desktop::DesktopWorkspace& workspace;
  };

  explicit DesktopSession(Backend backend);
  ~DesktopSession();
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

  void log(const std::string& line);
  AppController& controller() { return *appController; }
  PlivexApp& app() { return *plivexApp; }
  // A second start asks this: there is no main window, so the settings window comes forward.
  void bringForward();

  // How long the session looks for a tray before the settings window stands in for it.
  static constexpr std::chrono::milliseconds kTrayWait{2000};

 private:
  // Opens the settings window unless a tray shows up within kTrayWait.
  void watchForTray();

  Backend backend;
  std::unique_ptr<MainQueueDriver> driver;
  std::shared_ptr<AppController> appController;
  std::unique_ptr<PlivexApp> plivexApp;
  std::unique_ptr<LogindWakeListener> wake;
  QTimer trayCheck;
  int trayChecksLeft = 0;
};

}  // namespace kestravane::linux_app
