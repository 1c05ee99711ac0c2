#include "Kestravane/Linux/X11Session.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <chrono>

#include "Kestravane/Linux/LogindWakeListener.h"
#include "Kestravane/Ui/SettingsWindow.h"
#include "KestravaneKit/LogLines.h"
// Last: Xlib's macros would break the Qt headers above.
#include "Platform/X11/X11Platform.h"

namespace kestravane::linux_app {

using platform::x11::X11Platform;
using platform::x11::X11PlatformOptions;

std::unique_ptr<X11Session> X11Session::open(Options options) {
  X11PlatformOptions platformOptions;
  platformOptions.displayName = std::move(options.displayName);
  platformOptions.defaultsFile = std::move(options.defaultsFile);
  platformOptions.stateDirectory = std::move(options.stateDirectory);
  platformOptions.logToStandardError = options.logToStandardError;
  platformOptions.logToSystemLog = options.logToSystemLog;
  auto platform = X11Platform::open(std::move(platformOptions));
  if (!platform) return nullptr;
  return std::unique_ptr<X11Session>(new X11Session(std::move(platform)));
}

X11Session::X11Session(std::unique_ptr<X11Platform> platform) : x11(std::move(platform)) {
  // First, so that the GUI thread drives the main queue before anything is posted to it.
  driver = std::make_unique<MainQueueDriver>(x11->dispatch(), x11->services()->clock);
  x11->application().setTerminationHandler([] { QApplication::quit(); });
  platform::install(x11->services());
  appController = AppController::shared();
  plivexApp = std::make_unique<PlivexApp>(appController);
  wake = std::make_unique<LogindWakeListener>(QDBusConnection::systemBus(), x11->workspace());
  if (!wake->isListening()) x11->log().log(std::string(logline::kAppNoSystemBus));
  watchForTray();
}

void X11Session::watchForTray() {
  if (QSystemTrayIcon::isSystemTrayAvailable()) return;
  constexpr std::chrono::milliseconds kInterval{250};
  trayChecksLeft = static_cast<int>(kTrayWait / kInterval);
  trayCheck.setInterval(kInterval);
  QObject::connect(&trayCheck, &QTimer::timeout, [this] {
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
      trayCheck.stop();
    } else if (--trayChecksLeft <= 0) {
      trayCheck.stop();
      x11->log().log(std::string(logline::kAppSettingsInsteadOfTray));
      plivexApp->settingsWindow().present();
    }
  });
  trayCheck.start();
}

X11Session::~X11Session() {
  trayCheck.stop();
  wake.reset();
  plivexApp.reset();
  // The shared controller lives on (it is the program's one controller); its threads must not,
  // and its engine must give the trigger key back while the display is still open.
  appController->stopKeyTest();
  appController->stopEngine();
  x11->threads().waitUntilAllFinished(std::chrono::seconds(2));
  appController.reset();
  driver.reset();
  x11->application().setTerminationHandler(nullptr);
}

std::string X11Session::displayName() const {
  return x11->displayName();
}

void X11Session::log(const std::string& line) {
  x11->log().log(line);
}

void X11Session::bringForward() {
  x11->application().activate();
  plivexApp->settingsWindow().present();
}

}  // namespace kestravane::linux_app
