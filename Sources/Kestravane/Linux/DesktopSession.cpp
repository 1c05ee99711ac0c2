#include "Kestravane/Linux/DesktopSession.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <chrono>
#include <utility>

#include "Kestravane/Linux/LogindWakeListener.h"
#include "Kestravane/Ui/SettingsWindow.h"
#include "KestravaneKit/LogLines.h"

namespace kestravane::linux_app {

DesktopSession::DesktopSession(Backend backend) : backend(std::move(backend)) {
  // First, so that the GUI thread drives the main queue before anything is posted to it.
  driver = std::make_unique<MainQueueDriver>(this->backend.dispatch, this->backend.services->clock);
  this->backend.application.setTerminationHandler([] { QApplication::quit(); });
  platform::install(this->backend.services);
  appController = AppController::shared();
  plivexApp = std::make_unique<PlivexApp>(appController);
  wake =
      std::make_unique<LogindWakeListener>(QDBusConnection::systemBus(), this->backend.workspace);
  if (!wake->isListening()) log(std::string(logline::kAppNoSystemBus));
  watchForTray();
}

void DesktopSession::watchForTray() {
  if (QSystemTrayIcon::isSystemTrayAvailable()) return;
  constexpr std::chrono::milliseconds kInterval{250};
  trayChecksLeft = static_cast<int>(kTrayWait / kInterval);
  trayCheck.setInterval(kInterval);
  QObject::connect(&trayCheck, &QTimer::timeout, [this] {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
      trayCheck.stop();
    } else if (--trayChecksLeft <= 0) {
      trayCheck.stop();
      log(std::string(logline::kAppSettingsInsteadOfTray));
      plivexApp->settingsWindow().present();
    }
  });
  trayCheck.start();
}

DesktopSession::~DesktopSession() {
  trayCheck.stop();
  wake.reset();
  plivexApp.reset();
  // The shared controller lives on (it is the program's one controller); its threads must not,
  // and its engine must give the trigger key back while the backend is still there.
  appController->stopKeyTest();
  appController->stopEngine();
  backend.threads.waitUntilAllFinished(std::chrono::seconds(2));
  appController.reset();
  driver.reset();
  backend.application.setTerminationHandler(nullptr);
}

void DesktopSession::log(const std::string& line) {
  backend.log.log(line);
}

void DesktopSession::bringForward() {
  backend.application.activate();
  plivexApp->settingsWindow().present();
}

}  // namespace kestravane::linux_app
