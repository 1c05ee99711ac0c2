#include "Demo/DemoSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace kestravane::demo {

using platform::vmac::VirtualMac;
using platform::vmac::VirtualMacOptions;

DemoSession::DemoSession(DemoSessionOptions options) {
  VirtualMacOptions macOptions;
  macOptions.manualClock = false;
  macOptions.defaultsFile = std::move(options.defaultsFile);
  macOptions.logToStandardError = options.logToStandardError;
  virtualMac = std::make_unique<VirtualMac>(macOptions);
  virtualMac->threads().setExitWait(std::chrono::milliseconds(0));
  // First, so that the GUI thread drives the main queue before anything is posted to it.
  driver = std::make_unique<linux_app::MainQueueDriver>(virtualMac->dispatch(),
                                                        virtualMac->services()->clock);
  virtualMac->application().setTerminationHandler([] { QCoreApplication::quit(); });

  appController = AppController::create(virtualMac->services());
  auto application = virtualMac->services()->application;
  statusItem = std::make_unique<StandInStatusItem>(*appController, *virtualMac->services()->locale,
                                                   [application] { application->terminate(); });
  demoWindow = std::make_unique<platform::vmac::demo::DemoWindow>(*virtualMac);
  demoWindow->setStatusItem(statusItem->icon(), statusItem->menu());
}

DemoSession::~DemoSession() {
  demoWindow.reset();
  statusItem.reset();
  appController->stopEngine();
  appController->stopKeyTest();
  appController.reset();
  driver.reset();
  virtualMac->application().setTerminationHandler(nullptr);
}

bool DemoSession::runUntil(const std::function<bool()>& condition, int timeoutMs) {
  QElapsedTimer elapsed;
  elapsed.start();
  while (!condition()) {
    if (elapsed.elapsed() >= timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
  }
  return true;
}

}  // namespace kestravane::demo
