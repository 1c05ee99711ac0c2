// Plivex on a Linux X11 desktop, assembled: the X11 platform on the session's display (its main
// queue driven by Qt's event loop), the application controller and the interface (tray icon and
// menu, settings and onboarding windows). A lone tap of the trigger switches the keyboard's real
// layouts. A resume from sleep, heard from logind on the system bus, rebuilds the engine as a Mac's
// wake does. Quit in the menu terminates the application, which ends Qt's loop. Where the desktop
// shows no tray icon (neither an X11 tray nor a D-Bus status-notifier host, looked for again for
// a moment since trays come up late), the settings window opens at start: it shows the health,
// the remedies and Quit, and a second start brings it forward.
// Threads: GUI thread only; made after the QApplication, destroyed before it.
// Ownership: owns the platform and the interface; the program's one controller outlives the
//   session, but destruction stops its engine and key tester, waits for their threads and gives
//   the trigger key's own action back (the platform's destruction).
#pragma once

#include <QTimer>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Kestravane/AppController.h"
#include "Kestravane/Linux/MainQueueDriver.h"
#include "Kestravane/Ui/PlivexApp.h"

// Xlib's macros (None, Bool, KeyPress, …) break Qt's headers: the platform is only named here.
namespace kestravane::platform::x11 {
class X11Platform;
}

namespace kestravane::linux_app {

class LogindWakeListener;

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
  void log(const std::string& line);
  AppController& controller() { return *appController; }
  PlivexApp& app() { return *plivexApp; }

  // A second start asks this: there is no main window, so the settings window comes forward.
  void bringForward();

  // How long the session looks for a tray before the settings window stands in for it.
  static constexpr std::chrono::milliseconds kTrayWait{2000};

 private:
  explicit X11Session(std::unique_ptr<platform::x11::X11Platform> platform);
  // Opens the settings window unless a tray shows up within kTrayWait.
  void watchForTray();

  std::unique_ptr<platform::x11::X11Platform> x11;
  std::unique_ptr<MainQueueDriver> driver;
  std::shared_ptr<AppController> appController;
  std::unique_ptr<PlivexApp> plivexApp;
  std::unique_ptr<LogindWakeListener> wake;
  QTimer trayCheck;
  int trayChecksLeft = 0;
};

}  // namespace kestravane::linux_app
