// Plivex on the virtual Mac, driven from a text console: the program runs for real (engine, tap
// thread, fire queue, application controller) on a modelled macOS whose keyboard, permissions,
// layouts and preferences the console's commands change.
// Usage: plivex-console [--verbose]   (--verbose: every log line inline, not only the settings
// file's; `log` shows them all in any case)
#include <signal.h>
#include <sys/signalfd.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <string_view>

#include "Console/ConsoleLoop.h"
#include "Console/ConsoleScreen.h"
#include "Console/ConsoleSession.h"
#include "Kestravane/AppController.h"
#include "Kestravane/Linux/BackendChoice.h"
#include "Kestravane/Linux/SingleInstance.h"
#include "Platform/Host/FileUserDefaults.h"
#include "Platform/Virtual/VirtualMac.h"

namespace {

using kestravane::AppController;
using kestravane::SingleInstance;
using kestravane::console::ConsoleLoop;
using kestravane::console::ConsoleScreen;
using kestravane::console::ConsoleSession;
using kestravane::platform::host::FileUserDefaults;
using kestravane::platform::vmac::VirtualMac;
using kestravane::platform::vmac::VirtualMacOptions;

// How long quitting waits for the engine's and the key tester's threads to end.
constexpr std::chrono::milliseconds kShutDownWait{2000};

// While it lives, the terminal hands over each key as it is typed, without echoing it: the
// console echoes and edits the line itself, so that it can keep that line intact below what
// the program prints meanwhile. Ctrl-C still interrupts.
class TerminalMode {
 public:
  explicit TerminalMode(bool enable) {
    if (!enable || ::tcgetattr(STDIN_FILENO, &saved) != 0) return;
    termios keys = saved;
    keys.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    keys.c_cc[VMIN] = 1;
    keys.c_cc[VTIME] = 0;
    active = ::tcsetattr(STDIN_FILENO, TCSANOW, &keys) == 0;
  }
  TerminalMode(const TerminalMode&) = delete;
  TerminalMode& operator=(const TerminalMode&) = delete;
  ~TerminalMode() {
    if (active) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  }

 private:
  termios saved{};
  bool active = false;
};

// Interrupt, hang-up and terminate end the console as `quit` does (engine stopped, threads
// joined, terminal restored): they are blocked in every thread and read from a descriptor the
// loop watches. Blocked before the first thread starts, so every thread inherits the mask.
int stopSignalDescriptor() {
  sigset_t signals;
  ::sigemptyset(&signals);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaddset(&signals, signal);
  ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  const int descriptor = ::signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
  // Without one, the signals end the program as they always do.
  if (descriptor < 0) ::pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
  return descriptor;
}

}  // namespace

int main(int argc, char** argv) {
  // A write past a file-size limit fails (EFBIG) and is reported like any failed save, instead
  // of ending the program with the change lost.
  ::signal(SIGXFSZ, SIG_IGN);
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--verbose" || argument == "-v") {
      verbose = true;
    } else if (argument != "--console") {  // the run script's own choice, passed along
      std::cerr << "usage: plivex-console [--verbose]\n";
      return 2;
    }
  }

  // Before anything is read: a second start must not touch the running one's settings. The
  // program shares them, so the console takes the lock the program started here would take (one
  // per display): on one display the two are one Plivex, whichever came first.
  const auto program = kestravane::linux_app::chooseBackendFromEnvironment(false).backend;
  auto instance =
      SingleInstance::acquireFor(kestravane::linux_app::instanceKeyFromEnvironment(program),
                                 SingleInstance::runtimeDirectory());
  if (!instance.isPrimary()) {
    instance.requestRaise();
    std::cout << "Plivex is already running\n";
    return 0;
  }

  const int stop = stopSignalDescriptor();
  VirtualMacOptions options;
  options.manualClock = false;
  options.defaultsFile = FileUserDefaults::defaultPath();
  options.logToStandardError = false;  // the console shows log lines itself (ConsoleLoop)
  options.logToSystemLog = true;
  VirtualMac mac(options);

  const bool terminal = ::isatty(STDIN_FILENO) != 0 && ::isatty(STDOUT_FILENO) != 0;
  const TerminalMode keys(terminal);
  ConsoleScreen screen(std::cout, terminal);
  screen.stream() << "Plivex on a virtual Mac. Nothing is granted yet: try 'grant all', "
                     "'globe free',\nthen 'tap fn'. Type 'help' for every command.\n";
  if (instance.problem()) {
    screen.notice("[plivex] cannot make sure that Plivex runs only once: " + *instance.problem());
  }
  if (instance.warning()) screen.notice("[plivex] " + *instance.warning());
  auto controller = AppController::create(mac.services());
  ConsoleSession session(
      mac, controller, screen.stream(), [&screen](std::string_view text) { screen.notice(text); },
      verbose);
  session.printStatus();
  {
    ConsoleLoop loop(mac, session, screen, {STDIN_FILENO, stop, &instance});
    loop.run();
  }
  screen.lineEntered();
  if (terminal) screen.stream() << '\n';
  session.shutDown(kShutDownWait);
  if (stop >= 0) ::close(stop);
  return 0;
}
