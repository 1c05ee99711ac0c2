// Plivex running on a virtual Mac inside a Qt application, with the demo window in front: the
// virtual Mac (real clock), its main queue driven by Qt's event loop, the application controller
// and a stand-in status item in the window's menu-bar strip. "Quit" goes through the
// application service, whose termination ends Qt's event loop.
// Threads: GUI thread only; made after the QApplication, destroyed before it.
#pragma once

#include <QString>
#include <filesystem>
#include <memory>
#include <optional>

#include "Demo/StandInStatusItem.h"
#include "Kestravane/AppController.h"
#include "Kestravane/Linux/MainQueueDriver.h"
#include "Platform/Virtual/Demo/DemoWindow.h"
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane::demo {

struct DemoSessionOptions {
  // Where the user defaults persist; in memory when absent.
  std::optional<std::filesystem::path> defaultsFile;
  bool logToStandardError = true;
};

class DemoSession {
 public:
  explicit DemoSession(DemoSessionOptions options);
  ~DemoSession();

  platform::vmac::VirtualMac& mac() { return *virtualMac; }
  AppController& controller() { return *appController; }
  platform::vmac::demo::DemoWindow& window() { return *demoWindow; }

  // Lets the event loop run (the main queue, the window's refreshes) until `condition` holds or
  // `timeoutMs` passes; whether it holds.
  bool runUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

 private:
  std::unique_ptr<platform::vmac::VirtualMac> virtualMac;
  std::unique_ptr<linux_app::MainQueueDriver> driver;
  std::shared_ptr<AppController> appController;
  std::unique_ptr<StandInStatusItem> statusItem;
  std::unique_ptr<platform::vmac::demo::DemoWindow> demoWindow;
};

}  // namespace kestravane::demo
