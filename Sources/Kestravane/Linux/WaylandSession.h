// Plivex on a Linux Wayland desktop, assembled: the Wayland platform (the keyboards read from
// their devices, the desktop's own switcher) under a DesktopSession (the controller, the
// interface, the wake from sleep, the settings window where there is no tray). A lone tap of the
// trigger has the desktop switch its layouts.
// Threads: GUI thread only; made after the QApplication, destroyed before it.
// Ownership: owns the platform and the desktop session; the session goes first, so the engine
//   stops (and the trigger key gets its own action back) while the desktop is still reachable.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "Kestravane/Linux/DesktopSession.h"

namespace kestravane::platform::wayland {
class WaylandPlatform;
}

namespace kestravane::linux_app {

class WaylandSession {
 public:
  struct Options {
    // Where the user defaults persist; in memory when absent.
    std::optional<std::filesystem::path> defaultsFile;
    // Where the note of a withheld trigger key lives (beside the single-instance lock); by the
    // XDG rules when absent; an empty path: nowhere, so the key keeps its own action.
    std::optional<std::filesystem::path> stateDirectory;
    bool logToStandardError = true;
    bool logToSystemLog = false;
  };

  explicit WaylandSession(Options options);
  ~WaylandSession();
  WaylandSession(const WaylandSession&) = delete;
  WaylandSession& operator=(const WaylandSession&) = delete;

  platform::wayland::WaylandPlatform& platform() { return *wayland; }
  void log(const std::string& line) { session->log(line); }
  AppController& controller() { return session->controller(); }
  PlivexApp& app() { return session->app(); }
  void bringForward() { session->bringForward(); }

 private:
  std::unique_ptr<platform::wayland::WaylandPlatform> wayland;
  std::unique_ptr<DesktopSession> session;
};

// Before the QApplication is made: on a desktop that draws its windows' frames, Qt is told to leave
// them to it (unless the user's environment says otherwise). Qt 6.4 starts EGL to learn whether it
// could draw them itself, which loads the graphics driver (tens of MiB, kept for the program's
// life) when the first window shows, though a widget window never draws with it.
void leaveWindowFramesToTheDesktop();

}  // namespace kestravane::linux_app
