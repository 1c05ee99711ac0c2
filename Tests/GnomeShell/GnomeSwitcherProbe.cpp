// Plivex's GNOME switcher against a running GNOME Shell with Plivex's extension: prints the layouts
// and the active one, selects the one named by the argument, waits for the shell's change
// notice and prints the active one again. check-extension.sh runs it inside the shell's session.
// Usage: gnome-switcher-probe INDEX
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "Platform/Host/DispatchQueues.h"
#include "Platform/Host/SystemUptimeClock.h"
#include "Platform/Wayland/DBusLayoutsSwitcher.h"

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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  host::DispatchQueues dispatch(std::make_shared<host::SystemUptimeClock>());
  wayland::GnomeSwitcher switcher(dispatch.mainQueue());
  bool changed = false;
  switcher.setChangeObserver([&](wayland::DesktopChange) { changed = true; });
  print("before", switcher.read(), switcher);
  std::printf("select: %s\n", switcher.select(std::strtoul(argv[1], nullptr, 10)) ? "yes" : "no");
  for (int i = 0; i < 100 && !changed; ++i) {
    dispatch.runDue();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::printf("notice: %s\n", changed ? "yes" : "no");
  print("after", switcher.read(), switcher);
  return 0;
}
