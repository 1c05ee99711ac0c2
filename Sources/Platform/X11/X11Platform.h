// Plivex's platform on a Linux X11 desktop: every service of the seam, wired together on one X
// display: event taps of XInput 2 raw key events with poll()-based run loops, the XKB groups as
// the keyboard layouts, the trigger key's own action taken away through the keymap, an XDG
// autostart entry as the login item, the desktop's opener and keyboard settings, and Accessibility
// that means "XInput 2 is there". The services any Linux desktop backend makes alike are
// desktop::DesktopHost's, built on the host's generic ones (Platform/Host).
// Threads: construct and destroy on the thread that drives the main queue; each service states
//   its own contract. Stop every engine and key tester (their threads) before destruction.
// Ownership: the services keep each other alive through the returned Services only when made by
//   makeX11Services(); otherwise the X11Platform owns them.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "Platform/LinuxDesktop/DesktopHost.h"
#include "Platform/Services.h"
#include "Platform/X11/X11Connection.h"
#include "Platform/X11/X11TriggerKeyActions.h"
#include "Platform/X11/XInput.h"

namespace kestravane::platform::x11 {

// The host's options (clock, defaults file, autostart entry, desktop, log sinks) and the display's.
struct X11PlatformOptions : desktop::DesktopHostOptions {
  std::string displayName;  // empty: $DISPLAY
  // Where the note of a withheld trigger key lives; by the XDG rules when absent
  // (X11TriggerKeyActions::defaultStateDirectory).
  std::optional<std::filesystem::path> stateDirectory;
  // KDE's kwinrc (what a lone Meta tap does there); by KDE's rules when absent.
  std::optional<std::filesystem::path> kwinrc;
  // The XInput version the taps need; a server that offers less counts as without XInput 2.
  XInputVersion requiredXInput = kRequiredXInput;
};

class X11Platform {
 public:
  // Opens the display; nullptr when no X server answers there.
  static std::unique_ptr<X11Platform> open(X11PlatformOptions options);
  ~X11Platform();
  X11Platform(const X11Platform&) = delete;
  X11Platform& operator=(const X11Platform&) = delete;

  const std::shared_ptr<const Services>& services() const { return _services; }
  // Whether the display offers the XInput 2 the taps need.
  bool hasXInput2() const { return xinputAvailable; }
  // The display's name as Xlib resolved it.
  std::string displayName() const { return connection->name(); }

  // What the program's host drives or feeds.
  host::DispatchQueues& dispatch() { return *host.dispatch; }
  host::HostThreads& threads() { return *host.threads; }
  host::HostLog& log() { return *host.log; }
  host::HostApplication& application() { return *host.application; }
  desktop::DesktopWorkspace& workspace() { return *host.workspace; }
  X11TriggerKeyActions& triggerKeyActions() { return *_triggerKeyActions; }

 private:
  X11Platform(X11PlatformOptions options, std::shared_ptr<X11Connection> connection);

  const std::shared_ptr<X11Connection> connection;
  bool xinputAvailable = false;
  const desktop::DesktopHost host;
  std::shared_ptr<X11TriggerKeyActions> _triggerKeyActions;
  std::shared_ptr<const Services> _services;
};

// A complete set of services on the display (as makeBackendServices() gives the build's own); the
// returned pointer keeps everything behind them alive. nullptr when no X server answers there.
std::shared_ptr<const Services> makeX11Services(X11PlatformOptions options = {});

}  // namespace kestravane::platform::x11
