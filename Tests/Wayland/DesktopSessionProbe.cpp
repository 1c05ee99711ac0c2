// Plivex's switcher and keyboard options for the desktop session it runs in, as the program picks
// them from the environment, against a running desktop (check-extension.sh runs it in GNOME
// Shell's session, check-kwin.sh in KWin's).
// With INDEX: prints the desktop, its layouts and the active one, selects layout INDEX, waits for
// the desktop's change notice and prints the active one again.
// With "caps FOLDER": takes Caps Lock's own action away as the program does (its trigger-key
// actions over the desktop's options, noting in FOLDER), prints the options then set, and gives
// the key back when standard input ends, printing them again.
// Usage: desktop-session-probe INDEX | desktop-session-probe caps FOLDER
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
  // The script waits for this line before it looks at the desktop's keymap.
  std::fflush(stdout);
}

int withholdCapsLock(const wayland::DesktopSwitcher& switcher, const char* folder) {
  const auto options = wayland::keyOptionsForSession(switcher);
  if (!options) {
    std::printf("%s: no keyboard options Plivex can set\n", switcher.desktopName().c_str());
    return 1;
  }
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

int switchLayout(wayland::DesktopSwitcher& switcher, host::DispatchQueues& dispatch,
                 std::size_t index) {
  bool changed = false;
  // GNOME's extension sends one kind of notice for any change; KWin's says which.
  switcher.setChangeObserver([&](wayland::DesktopChange) { changed = true; });
  std::printf("desktop: %s\n", switcher.desktopName().c_str());
  print("before", switcher.read(), switcher);
  std::printf("select: %s\n", switcher.select(index) ? "yes" : "no");
  for (int i = 0; i < 100 && !changed; ++i) {
    dispatch.runDue();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::printf("notice: %s\n", changed ? "yes" : "no");
  print("after", switcher.read(), switcher);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  host::DispatchQueues dispatch(std::make_shared<host::SystemUptimeClock>());
  const auto switcher = wayland::switcherForSession(dispatch.mainQueue());
  if (argc == 3 && std::string_view(argv[1]) == "caps") return withholdCapsLock(*switcher, argv[2]);
  if (argc != 2) return 2;
  return switchLayout(*switcher, dispatch, std::strtoul(argv[1], nullptr, 10));
}
