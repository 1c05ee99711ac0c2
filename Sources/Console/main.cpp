// Plivex on the virtual Mac, driven from a text console: the program runs for real (engine, tap
// thread, fire queue, application controller) on a modelled macOS whose keyboard, permissions,
// layouts and preferences the console's commands change.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <string>
#include <utility>

#include "Console/ConsoleSession.h"
#include "Kestravane/AppController.h"
#include "Kestravane/RebuildScheduler.h"
#include "KestravaneCore/Presentation.h"
#include "KestravaneKit/TextsForLanguage.h"
#include "Platform/Virtual/FileUserDefaults.h"
#include "Platform/Virtual/VirtualMac.h"

namespace {

using kestravane::AppController;
using kestravane::platform::vmac::FileUserDefaults;
using kestravane::platform::vmac::VirtualMac;
using kestravane::platform::vmac::VirtualMacOptions;

// How long to wait for input before the main queue's next due work.
int pollTimeoutMs(VirtualMac& mac) {
  constexpr int kIdleMs = 100;
  auto deadline = mac.dispatch().nextDeadline();
  if (!deadline) return kIdleMs;
  const auto now = mac.services()->clock->uptimeNanos();
  if (*deadline <= now) return 0;
  return static_cast<int>(std::min<std::uint64_t>((*deadline - now) / 1'000'000 + 1, kIdleMs));
}

std::string statusLine(const AppController& controller) {
  return std::string(kestravane::Presentation::statusLine(
      controller.health(),
      kestravane::textsFor(controller.config().language, *controller.services()->locale)));
}

// Prints what a user would notice in the menu bar: the status line when it changes and each
// switch. It observes the controller like a view, so it reports once per burst of changes, on
// the main-queue turn after them.
class ChangeReporter {
 public:
  // `controller` must outlive the reporter; its current status counts as already shown.
  explicit ChangeReporter(AppController& controller)
      : controller(controller),
        lastStatus(statusLine(controller)),
        lastSwitch(controller.lastSwitch()),
        rebuilds(controller, [this] { report(); }) {}

 private:
  void report() {
    std::string status = statusLine(controller);
    if (status != lastStatus) {
      std::cout << "[menu bar] " << status << '\n';
      lastStatus = std::move(status);
    }
    if (controller.lastSwitch() != lastSwitch) {
      lastSwitch = controller.lastSwitch();
      std::cout << "[switch] " << lastSwitch << '\n';
    }
  }

  AppController& controller;
  std::string lastStatus;
  std::string lastSwitch;
  kestravane::RebuildScheduler rebuilds;
};

}  // namespace

int main() {
  VirtualMacOptions options;
  options.manualClock = false;
  options.defaultsFile = FileUserDefaults::defaultPath();
  options.logToStandardError = true;
  options.logToSystemLog = true;
  VirtualMac mac(options);
  mac.threads().setExitWait(std::chrono::milliseconds(0));

  const bool interactive = isatty(STDIN_FILENO) != 0;
  std::cout << "Plivex on a virtual Mac. Nothing is granted yet: try 'grant all', 'globe free',\n"
               "then 'tap fn'. Type 'help' for every command.\n";
  auto controller = AppController::create(mac.services());
  kestravane::console::ConsoleSession session(mac, controller, std::cout);
  mac.dispatch().runDue();
  session.printStatus();
  const ChangeReporter reporter(*controller);

  std::string pending;
  bool keepGoing = true;
  if (interactive) std::cout << "plivex> " << std::flush;
  while (keepGoing) {
    pollfd input{STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&input, 1, pollTimeoutMs(mac));
    mac.dispatch().runDue();
    if (ready > 0) {
      char buffer[512];
      const ssize_t count = read(STDIN_FILENO, buffer, sizeof buffer);
      if (count <= 0) break;
      pending.append(buffer, static_cast<std::size_t>(count));
      for (auto newline = pending.find('\n'); newline != std::string::npos && keepGoing;
           newline = pending.find('\n')) {
        const std::string line = pending.substr(0, newline);
        pending.erase(0, newline + 1);
        keepGoing = session.execute(line);  // its last main-queue turns run the reporter
        if (keepGoing && interactive) std::cout << "plivex> " << std::flush;
      }
    }
  }
  controller->stopEngine();
  controller->stopKeyTest();
  return 0;
}
