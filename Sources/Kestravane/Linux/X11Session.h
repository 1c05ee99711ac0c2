// Plivex on a Linux X11 desktop, assembled: the X11 platform on the session's display under a
// DesktopSession (the controller, the interface, the wake from sleep, the settings window where
// there is no tray). A lone tap of the trigger switches the keyboard's real layouts.
// Threads: GUI thread only; made after the QApplication, destroyed before it.
// Ownership: owns the platform and the desktop session; the session goes first, so the engine
//   gives the trigger key's own action back while the display is still open.
#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "Kestravane/Linux/DesktopSession.h"

// Xlib's macros (None, Bool, KeyPress, …) break Qt's headers: the platform is only named here.
namespace kestravane::platform::x11 {
class X11Platform;
}

namespace kestravane::linux_app {

class X11Session {
 public:
  struct Options {
    std::string displayName;  // empty: $DISPLAY
    // Where the user defaults persist; in memory when absent.
    std::optional<std::filesystem::path> defaultsFile;
    // Where the note of a withheld trigger key lives (beside the single-instance lock); by the
    // XDG rules when absent; an empty path: nowhere, so the key keeps its own action.
    std::optional<std::filesystem::path> stateDirectory;
    bool logToStandardError = true;
    bool logToSystemLog = false;
  };

  // nullptr when no X server answers on the display.
  static std::unique_ptr<X11Session> open(Options options);
  ~X11Session();
  X11Session(const X11Session&) = delete;
  X11Session& operator=(const X11Session&) = delete;

  platform::x11::X11Platform& platform() { return *x11; }
  // The display's name as Xlib resolved it, and a line for the program's log.
  std::string displayName() const;
  void log(const std::string& line) { session->log(line); }
  AppController& controller() { return session->controller(); }
  PlivexApp& app() { return session->app(); }
  void bringForward() { session->bringForward(); }

  static constexpr std::chrono::milliseconds kTrayWait = DesktopSession::kTrayWait;

 private:
  explicit X11Session(std::unique_ptr<platform::x11::X11Platform> platform);

  std::unique_ptr<platform::x11::X11Platform> x11;
  std::unique_ptr<DesktopSession> session;
};

}  // namespace kestravane::linux_app
