// Plivex on Linux, assembled: the virtual Mac (real clock) with its main queue driven by Qt's
// event loop, the application controller, the interface (tray icon and menu, settings and
// onboarding windows) and the virtual Mac's demo window, whose menu-bar strip holds the same
// status item as the tray. Quit in the menu terminates the application, which ends Qt's loop.
// Threads: GUI thread only; made after the QApplication, destroyed before it.
// Ownership: owns everything but the controller when it is the program's shared one, which
//   outlives the session; destruction stops the engine and the key tester and waits for their
//   threads either way.
#pragma once

#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "Kestravane/AppController.h"
#include "Kestravane/Linux/MainQueueDriver.h"
#include "Kestravane/Ui/PlivexApp.h"
#include "Platform/Virtual/Demo/DemoWindow.h"
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane::linux_app {

class LinuxSession {
 public:
  struct Options {
    // Where the user defaults persist; in memory when absent.
    std::optional<std::filesystem::path> defaultsFile;
    bool logToStandardError = true;
    bool logToSystemLog = false;
    // The program's one controller (AppController::shared(), on installed services); otherwise
    // a controller of this session's own, e.g. for a tool that draws the window.
    bool sharedController = true;
    // The virtual Mac's demo window; without it the session is the program alone, as on a Mac.
    bool demoWindow = true;
    // Runs on the virtual Mac before the program starts, e.g. to grant what a set-up Mac has.
    std::function<void(platform::vmac::VirtualMac&)> beforeStart;
  };

  explicit LinuxSession(Options options);
  ~LinuxSession();
  LinuxSession(const LinuxSession&) = delete;
  LinuxSession& operator=(const LinuxSession&) = delete;

  platform::vmac::VirtualMac& mac() { return *virtualMac; }
  AppController& controller() { return *appController; }
  PlivexApp& app() { return *plivexApp; }
  // Only for a session made with `Options::demoWindow`.
  platform::vmac::demo::DemoWindow& demoWindow() { return *demo; }

  // Brings the program forward, and the demo window if there is one, above other applications
  // (a second start asks this).
  void bringForward();
  // Lets the event loop run until `condition` holds or `timeoutMs` passes; whether it holds.
  bool runUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

 private:
  std::unique_ptr<platform::vmac::VirtualMac> virtualMac;
  std::unique_ptr<MainQueueDriver> driver;
  std::shared_ptr<AppController> appController;
  std::unique_ptr<PlivexApp> plivexApp;
  std::unique_ptr<platform::vmac::demo::DemoWindow> demo;
};

}  // namespace kestravane::linux_app
