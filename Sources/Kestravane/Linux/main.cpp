// Plivex on Linux: the program with its Qt interface (tray icon, menu, settings and onboarding
// windows). On an X11 session it switches the user's own keyboard layouts; in a Wayland session
// it reads the keyboards' devices and has the desktop switch its layouts; with --demo, or
// outside any session, it runs on the virtual Mac, a model of the macOS services, with the
// virtual Mac's demo window to try it in.
// The main queue is Qt's event loop; settings persist in the XDG configuration directory; the
// log goes to standard error and to syslog. It quits from its menu, or on any signal that would
// end it (SIGINT, SIGTERM, SIGHUP, ...), stopping the engine and the key tester and waiting for
// their threads. One Plivex runs per user and X display (per user and Wayland display in a
// Wayland session, per user for the demo): a second start on the same display, whatever its
// runtime folder on X11, brings the first one forward and ends; a start on another display runs
// there. Without a display it says so and points at the console.
// Usage: plivex [--demo | --version | --help]   (other arguments are Qt's own: -platform, ...)
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Kestravane/Linux/BackendChoice.h"
#include "Kestravane/Linux/DisplayCheck.h"
#include "Kestravane/Linux/DisplayClaim.h"
#include "Kestravane/Linux/LinuxSession.h"
#include "Kestravane/Linux/SingleInstance.h"
#include "Kestravane/Linux/WaylandSession.h"
#include "Kestravane/Linux/X11Session.h"
#include "KestravaneKit/LogLines.h"
#include "Platform/Host/FileUserDefaults.h"
#include "Platform/Wayland/WaylandPlatform.h"

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

// Every signal that would end the program by default and can be caught ends the event loop the
// same way as the menu's Quit, so the trigger key gets its action back: SIGHUP when the terminal
// it was started from closes, SIGUSR1/2 or SIGALRM sent by mistake, the real-time signals. The
// faults (SIGSEGV and the like) cannot go on to a clean quit and keep their default.
std::unique_ptr<QSocketNotifier> quitOnSignals() {
  if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return nullptr;
  struct sigaction action {};
  action.sa_handler = onQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGUSR1, SIGUSR2, SIGALRM, SIGVTALRM,
                           SIGPROF, SIGPOLL, SIGPWR, SIGSTKFLT, SIGXCPU}) {
    sigaction(signal, &action, nullptr);
  }
  for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) sigaction(signal, &action, nullptr);
  auto notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
  QObject::connect(notifier.get(), &QSocketNotifier::activated, [] { QApplication::quit(); });
  return notifier;
}

// A second start asks the running one to come forward: `bringForward` does it.
std::unique_ptr<QSocketNotifier> forwardRequests(SingleInstance& instance,
                                                 std::function<void()> bringForward) {
  auto notifier =
      std::make_unique<QSocketNotifier>(instance.requestDescriptor(), QSocketNotifier::Read);
  notifier->setEnabled(instance.requestDescriptor() >= 0);
  QObject::connect(notifier.get(), &QSocketNotifier::activated,
                   [&instance, bringForward = std::move(bringForward)] {
                     if (instance.acceptRequests() > 0) bringForward();
                   });
  return notifier;
}

void logInstanceNotes(const SingleInstance& instance, const std::function<void(std::string)>& log) {
  using kestravane::logline::kAppSingleInstance;
  if (instance.problem()) log(std::string(kAppSingleInstance) + *instance.problem());
  if (instance.warning()) log(std::string(kAppSingleInstance) + *instance.warning());
}

int runDemo(SingleInstance& instance, bool instead) {
  kestravane::linux_app::LinuxSession::Options options;
  options.defaultsFile = FileUserDefaults::defaultPath();
  options.logToSystemLog = true;
  kestravane::linux_app::LinuxSession session(std::move(options));
  session.mac().log().log(std::string(kestravane::logline::kAppBackend) + "virtual Mac (demo)");
  logInstanceNotes(instance, [&](std::string line) { session.mac().log().log(line); });
  session.controller().setDemoInstead(instead);
  const auto requests = forwardRequests(instance, [&] { session.bringForward(); });
  session.demoWindow().show();
  return QApplication::exec();
}

// The options both real backends' sessions take.
template <typename Options>
Options sessionOptions(const SingleInstance& instance) {
  Options options;
  options.defaultsFile = FileUserDefaults::defaultPath();
  options.logToSystemLog = true;
  // The note of the withheld key lives where the lock does: in the folder the lock's checks
  // passed (the private fallback when the runtime folder may be written by others). Without a
  // usable folder nothing is noted, so nothing is withheld.
  options.stateDirectory =
      instance.problem() ? std::filesystem::path() : instance.directory() / "plivex";
  return options;
}

int runOnX11(SingleInstance& instance) {
  auto options = sessionOptions<kestravane::linux_app::X11Session::Options>(instance);
  auto session = kestravane::linux_app::X11Session::open(std::move(options));
  if (!session) {
    std::cerr << kestravane::linux_app::noDisplayMessage("no X server answers on DISPLAY");
    return kestravane::linux_app::kNoDisplayExitCode;
  }
  session->log(std::string(kestravane::logline::kAppBackend) + "X11 on " + session->displayName());
  logInstanceNotes(instance, [&](std::string line) { session->log(line); });
  const auto requests = forwardRequests(instance, [&] { session->bringForward(); });
  return QApplication::exec();
}

int runOnWayland(SingleInstance& instance, const std::string& display) {
  kestravane::linux_app::WaylandSession session(
      sessionOptions<kestravane::linux_app::WaylandSession::Options>(instance));
  session.log(std::string(kestravane::logline::kAppBackend) + "Wayland on " + display);
  for (const auto& line : session.platform().startLines()) session.log(line);
  logInstanceNotes(instance, [&](std::string line) { session.log(line); });
  const auto requests = forwardRequests(instance, [&] { session.bringForward(); });
  return QApplication::exec();
}

constexpr std::string_view kUsage =
    "usage: plivex [--demo | --version | --help]\n"
    "Runs Plivex: a tray icon whose menu shows the status and opens the settings; a lone tap of\n"
    "the trigger key switches the keyboard layout. On an X11 or a Wayland session it switches\n"
    "the session's own layouts (on Wayland it reads the keyboards' devices: the input group);\n"
    "with --demo, or outside any session, it runs the virtual Mac demo.\n"
    "Without a display it says so.\n";

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
  bool demoAsked = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--demo") demoAsked = true;
  }
  kestravane::linux_app::exitUnlessADisplayIsAvailable();
  const auto choice = kestravane::linux_app::chooseBackendFromEnvironment(demoAsked);
  const bool onX11 = choice.backend == kestravane::linux_app::Backend::x11;
  const bool onWayland = choice.backend == kestravane::linux_app::Backend::wayland;
  // The display the program belongs to; the demo belongs to none.
  const std::string waylandName =
      kestravane::linux_app::waylandSocketName(std::getenv("WAYLAND_DISPLAY"));
  const std::string display = kestravane::linux_app::instanceKeyFromEnvironment(choice.backend);
  const std::string runningHere = "Plivex is already running" +
                                  (onX11       ? " on display " + display
                                   : onWayland ? " on " + waylandName
                                               : std::string()) +
                                  "\n";
  // Before anything is read: a second start must not touch the running one's settings. It asks
  // the first to come forward and ends.
  auto instance = SingleInstance::acquireFor(display, SingleInstance::runtimeDirectory());
  if (!instance.isPrimary()) {
    instance.requestRaise();
    std::cout << runningHere;
    return 0;
  }
  // Another runtime folder hides a start on the same display from the lock; the X server sees it.
  kestravane::linux_app::DisplayClaim claim;
  if (onX11) {
    claim = kestravane::linux_app::claimDisplay(instance.socketFile().string());
    if (claim.heldByAnother) {
      if (!claim.holderSocket.empty()) SingleInstance::requestRaiseAt(claim.holderSocket);
      std::cout << runningHere;
      return 0;
    }
  }
  if (choice.notice) std::cerr << "Plivex: " << *choice.notice << "\n";
  if (onWayland) kestravane::linux_app::leaveWindowFramesToTheDesktop();

  QApplication application(argc, argv);
  kestravane::linux_app::stopWatchingQtStart();
  QApplication::setApplicationName("plivex");
  // A menu-bar utility: closing its last window does not end it.
  QApplication::setQuitOnLastWindowClosed(false);
  const auto quitSignals = quitOnSignals();
  if (onX11) return runOnX11(instance);
  if (onWayland) return runOnWayland(instance, waylandName);
  return runDemo(instance, choice.notice.has_value());
}
