// Plivex on Linux: the program with its Qt interface (tray icon, menu, settings and onboarding
// windows) running on the virtual Mac, a model of the macOS services it uses, with the virtual
// Mac's demo window to try it in. The main queue is Qt's event loop; settings persist in the XDG
// configuration directory; the log goes to standard error and to syslog. It starts as an agent
// (no Dock icon) and quits from its menu, or on SIGINT/SIGTERM, stopping the engine and the key
// tester and waiting for their threads. One Plivex runs per user: a second start brings the
// first one's demo window forward. Without a display it says so and points at the console.
// Usage: plivex [--version | --help]   (other arguments are Qt's own: -platform, ...)
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <chrono>
#include <csignal>
#include <iostream>
#include <memory>
#include <optional>
#include <string_view>

#include "Kestravane/Linux/DisplayCheck.h"
#include "Kestravane/Linux/LinuxSession.h"
#include "Kestravane/Linux/SingleInstance.h"
#include "KestravaneKit/LogLines.h"
#include "Platform/Host/FileUserDefaults.h"

#ifndef PLIVEX_VERSION
#error "PLIVEX_VERSION must be defined by the build system"
#endif

namespace {

using kestravane::SingleInstance;
using kestravane::platform::host::FileUserDefaults;

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

constexpr std::string_view kUsage =
    "usage: plivex [--version | --help]\n"
    "Runs Plivex: a tray icon whose menu shows the status and opens the settings; a lone tap of\n"
    "the trigger key switches the keyboard layout. Without a display it says so.\n";

// --version and --help answer without a display, before anything else starts.
std::optional<int> answerInformationRequest(int argc, char* argv[]) {
  if (argc != 2) return std::nullopt;
  const std::string_view argument = argv[1];
  if (argument == "--version") {
    std::cout << "Plivex " << PLIVEX_VERSION << '\n';
  } else if (argument == "--help" || argument == "-h") {
    std::cout << kUsage;
  } else {
    return std::nullopt;
  }
  std::cout.flush();
  return std::cout ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (const auto status = answerInformationRequest(argc, argv)) return *status;
  // Whatever reads the log on standard error may go away: a failed log write is not fatal. A
  // write past a file-size limit fails (EFBIG) and is reported like any failed save.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  kestravane::linux_app::exitUnlessADisplayIsAvailable();
  // Before anything is read: a second start must not touch the running one's settings. It asks
  // the first to come forward and ends.
  auto instance = SingleInstance::acquire(SingleInstance::runtimeDirectory());
  if (!instance.isPrimary()) {
    instance.requestRaise();
    std::cout << "Plivex is already running\n";
    return 0;
  }

  QApplication application(argc, argv);
  kestravane::linux_app::stopWatchingQtStart();
  QApplication::setApplicationName("plivex");
  // A menu-bar utility: closing its last window does not end it.
  QApplication::setQuitOnLastWindowClosed(false);
  const auto quitSignals = quitOnSignals();

  int status = 0;
  {
    kestravane::linux_app::LinuxSession::Options options;
    options.defaultsFile = FileUserDefaults::defaultPath();
    options.logToSystemLog = true;
    kestravane::linux_app::LinuxSession session(std::move(options));
    using kestravane::logline::kAppSingleInstance;
    if (instance.problem())
      session.mac().log().log(std::string(kAppSingleInstance) + *instance.problem());
    if (instance.warning())
      session.mac().log().log(std::string(kAppSingleInstance) + *instance.warning());
    // Started again: the running one brings its demo window forward.
    QSocketNotifier raiseRequests(instance.requestDescriptor(), QSocketNotifier::Read);
    raiseRequests.setEnabled(instance.requestDescriptor() >= 0);
    QObject::connect(&raiseRequests, &QSocketNotifier::activated, [&] {
      if (instance.acceptRequests() > 0) session.bringForward();
    });
    session.demoWindow().show();
    status = QApplication::exec();
  }
  return status;
}
