// Plivex on Linux: the program with its Qt interface (tray icon, menu, settings and onboarding
// windows) running on the virtual Mac, a model of the macOS services it uses. The main queue is
// Qt's event loop; settings persist in the XDG configuration directory; the log goes to standard
// error and to syslog. It starts as an agent (no Dock icon) and quits from its menu, or on
// SIGINT/SIGTERM, stopping the engine and the key tester and waiting for their threads. One
// Plivex runs per user: a second start brings the first one's settings window forward.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <chrono>
#include <csignal>
#include <iostream>
#include <memory>

#include "Kestravane/AppController.h"
#include "Kestravane/Linux/MainQueueDriver.h"
#include "Kestravane/PlivexApp.h"
#include "Kestravane/SingleInstance.h"
#include "Kestravane/Ui/SettingsWindow.h"
#include "Platform/Virtual/FileUserDefaults.h"
#include "Platform/Virtual/VirtualMac.h"

namespace {

using kestravane::SingleInstance;
using kestravane::platform::vmac::FileUserDefaults;
using kestravane::platform::vmac::VirtualMac;
using kestravane::platform::vmac::VirtualMacOptions;

int signalPipe[2] = {-1, -1};

void onQuitSignal(int) {
  const char byte = 1;
  // Only async-signal-safe work here; the event loop reads the byte and quits.
  [[maybe_unused]] const auto written = write(signalPipe[1], &byte, 1);
}

// SIGINT and SIGTERM end the event loop the same way as the menu's Quit.
std::unique_ptr<QSocketNotifier> quitOnSignals() {
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return nullptr;
  struct sigaction action {};
  action.sa_handler = onQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  auto notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(notifier.get(), &QSocketNotifier::activated, [] { QApplication::quit(); });
  return notifier;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Before anything is read: a second start must not touch the running one's settings. It asks
  // the first to come forward and ends.
  auto instance = SingleInstance::acquire(SingleInstance::runtimeDirectory());
  if (!instance.isPrimary()) {
    instance.requestRaise();
    std::cout << "Plivex is already running\n";
    return 0;
  }

  VirtualMacOptions options;
  options.manualClock = false;
  options.defaultsFile = FileUserDefaults::defaultPath();
  options.logToStandardError = true;
  options.logToSystemLog = true;
  VirtualMac mac(options);
  mac.install();

  QApplication application(argc, argv);
  QApplication::setApplicationName("plivex");
  // A menu-bar utility: closing its last window does not end it.
  QApplication::setQuitOnLastWindowClosed(false);
  const auto quitSignals = quitOnSignals();

  // The Qt thread drives the main queue from here on.
  kestravane::linux_app::MainQueueDriver mainQueue(mac.dispatch(), mac.services()->clock);
  // Quit in the menu terminates the application: the event loop ends.
  mac.application().setTerminationHandler([] { QApplication::quit(); });

  const auto controller = kestravane::AppController::shared();
  int status = 0;
  {
    kestravane::PlivexApp app(controller);
    if (instance.problem()) mac.log().log("Plivex[app] " + *instance.problem());
    // Started again: the running one shows its settings window, above other applications.
    QSocketNotifier raiseRequests(instance.requestDescriptor(), QSocketNotifier::Read);
    raiseRequests.setEnabled(instance.requestDescriptor() >= 0);
    QObject::connect(&raiseRequests, &QSocketNotifier::activated, [&] {
      if (instance.acceptRequests() == 0) return;
      mac.application().activateIgnoringOtherApps(true);
      app.settingsWindow().present();
    });

    // ---- The virtual Mac's demo window is created here (Linux only). -----------------------
    // It shows the status item through app.menuBarExtra().menu() and .icon() (iconChanged
    // tells when the icon changes), and drives `mac`'s control interface.
    // --------------------------------------------------------------------------------------

    status = QApplication::exec();
  }
  // The controller lives on (it is the program's one controller); its threads must not.
  controller->stopKeyTest();
  controller->stopEngine();
  mac.threads().waitUntilAllFinished(std::chrono::seconds(2));
  mac.application().setTerminationHandler(nullptr);
  return status;
}
