// Plivex's platform on a Wayland desktop: every service of the seam, wired together. A Wayland
// client cannot see other programs' keys nor switch the layout, so the event taps read the
// keyboards' evdev devices (with poll()-based run loops) and the desktop lists and switches the
// layouts through a switcher of its own (Sway, KDE, GNOME, Hyprland; any other desktop is named
// and cannot be switched). Accessibility means "the keyboards can be read". The trigger key's own
// action is taken away through the desktop's XKB options where Plivex can set them (GNOME, Sway,
// KDE Plasma, Hyprland); elsewhere the key keeps it. Caps Lock's lock belongs to the desktop: the
// HID system refuses to set it. The login item is an XDG autostart entry; the opener and keyboard
// settings are the desktop's: the services any Linux desktop backend makes alike
// (desktop::DesktopHost).
// Threads: construct and destroy on the thread that drives the main queue; each service states
//   its own contract. Stop every engine and key tester (their threads) before destruction.
// Ownership: the services keep each other alive through the returned Services only when made by
//   makeWaylandServices(); otherwise the WaylandPlatform owns them.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Platform/LinuxDesktop/DesktopHost.h"
#include "Platform/Services.h"
#include "Platform/Wayland/InputDevices.h"
#include "Platform/Wayland/SessionSwitcher.h"

namespace kestravane::platform::wayland {

class EvdevEventTaps;
class WaylandTextInputSources;
class WaylandTriggerKeyActions;

// The host's options (clock, defaults file, autostart entry, desktop, log sinks) and the session's.
struct WaylandPlatformOptions : desktop::DesktopHostOptions {
  // Where the note of a withheld trigger key lives; by the XDG rules when absent
  // (desktop::plivexStateDirectory); an empty path: nowhere, so the key keeps its action.
  std::optional<std::filesystem::path> stateDirectory;
  // Where the desktop's switcher looks for the session (XDG_CURRENT_DESKTOP, SWAYSOCK, ...).
  EnvironmentLookup environment = processEnvironment;
};

class WaylandPlatform {
 public:
  explicit WaylandPlatform(WaylandPlatformOptions options = {});
  ~WaylandPlatform();
  WaylandPlatform(const WaylandPlatform&) = delete;
  WaylandPlatform& operator=(const WaylandPlatform&) = delete;

  const std::shared_ptr<const Services>& services() const { return _services; }

  // For the program's log and, later, its health: the desktop found ("Sway", "KDE Plasma", or
  // XDG_CURRENT_DESKTOP's value for one Plivex cannot switch), why it cannot be switched now (or
  // nothing), and whether the keyboards can be read. Main thread.
  std::string desktopName() const;
  std::optional<std::string> unavailableReason() const;
  DeviceAccess keyboardAccess() const;
  // Whether the trigger key's own action can be taken away on this desktop.
  bool canWithholdKeyActions() const { return withholdsKeyActions; }
  // What was found, for the program's log at start (WaylandLogLines.h): the desktop with its
  // number of layouts or why it cannot be switched, whether the keyboards can be read, and
  // whether the trigger keeps its action. Main thread; asks the desktop.
  std::vector<std::string> startLines();

  // What the program's host drives or feeds.
  host::DispatchQueues& dispatch() { return *host.dispatch; }
  host::HostThreads& threads() { return *host.threads; }
  host::HostLog& log() { return *host.log; }
  host::HostApplication& application() { return *host.application; }
  desktop::DesktopWorkspace& workspace() { return *host.workspace; }
  WaylandTriggerKeyActions& triggerKeyActions() { return *_triggerKeyActions; }

 private:
  const desktop::DesktopHost host;
  std::shared_ptr<EvdevEventTaps> eventTaps;
  std::shared_ptr<WaylandTextInputSources> inputSources;
  std::shared_ptr<WaylandTriggerKeyActions> _triggerKeyActions;
  bool withholdsKeyActions = false;
  std::shared_ptr<const Services> _services;
};

// A complete set of services for this Wayland session (as makeBackendServices() gives the
// build's own); the returned pointer keeps everything behind them alive.
std::shared_ptr<const Services> makeWaylandServices(WaylandPlatformOptions options = {});

}  // namespace kestravane::platform::wayland
