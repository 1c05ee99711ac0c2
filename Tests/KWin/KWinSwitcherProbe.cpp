// Plivex's KDE switcher against a running KWin: the switcher the session's environment gets
// ($XDG_CURRENT_DESKTOP=KDE), its layouts and the active one, then it selects the one named by
// the argument, waits for KWin's change notice and prints the active one again.
// check-kwin.sh runs it inside KWin's session.
// With "caps", takes Caps Lock's own action away the way the program does (its trigger-key
// actions over KDE's key options in the session's kxkbrc, noting in FOLDER), prints the options
// kxkbrc then holds, and gives the key back when standard input ends, printing them again.
// Usage: kwin-switcher-probe INDEX | kwin-switcher-probe caps FOLDER
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "KestravaneCore/TriggerKeys.h"
#include "Platform/Host/DispatchQueues.h"
#include "Platform/Host/HostLog.h"
#include "Platform/Host/SystemUptimeClock.h"
#include "Platform/LinuxDesktop/AtomicFile.h"
#include "Platform/Wayland/KdeKeyOptions.h"
#include "Platform/Wayland/SessionSwitcher.h"
#include "Platform/Wayland/WaylandTriggerKeyActions.h"

using namespace kestravane::platform;

namespace {

void print(const char* label, const std::optional<wayland::DesktopLayouts>& layouts,
           const wayland::DesktopSwitcher& switcher) {
  if (!layouts) {
    std::printf("%s: unavailable: %s\n", label, switcher.unavailableReason().value_or("?").c_str());
    return;
  }
  std::printf("%s:", label);
  for (const auto& layout : layouts->layouts) {
    std::printf(" %s=%s", layout.id.c_str(), layout.name.c_str());
  }
  std::printf(" active %zu\n", layouts->active);
}

void printOptions(const char* label, wayland::DesktopKeyOptions& options) {
  const auto now = options.read();
  std::printf("%s: %s\n", label, now ? wayland::joinXkbOptions(*now).c_str() : "unreadable");
  // The script waits for this line before it looks at KWin's keymap.
  std::fflush(stdout);
}

int withholdCapsLock(const char* folder) {
  const auto configFolder =
      desktop::xdgConfigHome(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  if (!configFolder) {
    std::printf("no configuration folder\n");
    return 1;
  }
  auto options = std::make_shared<wayland::KdeKeyOptions>(*configFolder / "kxkbrc");
  {
    wayland::WaylandTriggerKeyActions actions(
        options, folder, std::make_shared<host::HostLog>(host::HostLog::Sinks{true, false}));
    if (!actions.withhold(kestravane::triggerKey(kestravane::TriggerKind::capsLock).keyCode)) {
      std::printf("withhold: refused\n");
      return 1;
    }
    printOptions("withheld", *options);
    std::string line;
    while (std::getline(std::cin, line)) {
    }
  }
  printOptions("given back", *options);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string_view(argv[1]) == "caps") return withholdCapsLock(argv[2]);
  if (argc != 2) return 2;
  host::DispatchQueues dispatch(std::make_shared<host::SystemUptimeClock>());
  const auto switcher = wayland::switcherForSession(dispatch.mainQueue());
  bool changed = false;
  switcher->setChangeObserver([&](wayland::DesktopChange change) {
    if (change == wayland::DesktopChange::active) changed = true;
  });
  std::printf("desktop: %s\n", switcher->desktopName().c_str());
  print("before", switcher->read(), *switcher);
  std::printf("select: %s\n", switcher->select(std::strtoul(argv[1], nullptr, 10)) ? "yes" : "no");
  for (int i = 0; i < 100 && !changed; ++i) {
    dispatch.runDue();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::printf("notice: %s\n", changed ? "yes" : "no");
  print("after", switcher->read(), *switcher);
  return 0;
}
