#include "Kestravane/Linux/LinuxSession.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <chrono>

#include "Kestravane/Ui/MenuBarExtra.h"

namespace kestravane::linux_app {

using platform::vmac::VirtualMac;
using platform::vmac::VirtualMacOptions;

LinuxSession::LinuxSession(Options options) {
  VirtualMacOptions macOptions;
  macOptions.manualClock = false;
  macOptions.defaultsFile = std::move(options.defaultsFile);
  macOptions.logToStandardError = options.logToStandardError;
  macOptions.logToSystemLog = options.logToSystemLog;
  virtualMac = std::make_unique<VirtualMac>(macOptions);
  // First, so that the GUI thread drives the main queue before anything is posted to it.
  driver = std::make_unique<MainQueueDriver>(virtualMac->dispatch(), virtualMac->services()->clock);
  virtualMac->application().setTerminationHandler([] { QApplication::quit(); });
  if (options.beforeStart) options.beforeStart(*virtualMac);

  if (options.sharedController) {
    virtualMac->install();
    appController = AppController::shared();
  } else {
    appController = AppController::create(virtualMac->services());
  }
  plivexApp = std::make_unique<PlivexApp>(appController);
  if (!options.demoWindow) return;

  demo = std::make_unique<platform::vmac::demo::DemoWindow>(*virtualMac);
  auto& extra = plivexApp->menuBarExtra();
  demo->setStatusItem(extra.icon(), extra.menu());
  QObject::connect(&extra, &ui::MenuBarExtra::iconChanged, demo.get(),
                   &platform::vmac::demo::DemoWindow::setStatusIcon);
}

LinuxSession::~LinuxSession() {
  demo.reset();
  plivexApp.reset();
  // The shared controller lives on (it is the program's one controller); its threads must not.
  appController->stopKeyTest();
  appController->stopEngine();
  virtualMac->threads().waitUntilAllFinished(std::chrono::seconds(2));
  appController.reset();
  driver.reset();
  virtualMac->application().setTerminationHandler(nullptr);
}

void LinuxSession::bringForward() {
  virtualMac->application().activate();
  if (!demo) return;
  // Closed, or taken off the screen behind Qt's back (unmapped, minimised): shown anew.
  const QWindow* handle = demo->windowHandle();
  if (!demo->isVisible() || handle == nullptr || !handle->isExposed()) {
    demo->hide();
    demo->show();
  }
  demo->raise();
  demo->activateWindow();
}

bool LinuxSession::runUntil(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!condition()) {
    if (elapsed.elapsed() >= timeoutMs) return false;
    QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
  }
  return true;
}

}  // namespace kestravane::linux_app
