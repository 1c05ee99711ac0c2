// Plivex on the virtual Mac without the demo window: the program alone, as it runs on a Mac
// (tray icon and menu, controller, engine), so that its own cost at rest can be measured beside
// the smallest tray program. Settings are kept in memory.
// Usage: plivex-agent-only [set-up]   "set-up": a Mac where Plivex has been set up (both
// permissions granted, the Globe key free), so the engine runs and no onboarding window opens;
// otherwise a first launch, with the onboarding window open.
#include <QApplication>
#include <cstring>

#include "Kestravane/Linux/LinuxSession.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  const bool setUp = argc > 1 && std::strcmp(argv[1], "set-up") == 0;
  int status = 0;
  {
    kestravane::linux_app::LinuxSession::Options options;
    options.logToStandardError = false;
    options.demoWindow = false;
    if (setUp) {
      options.beforeStart = [](kestravane::platform::vmac::VirtualMac& mac) {
        mac.grantAllPermissions();
        mac.preferences().setFnUsageType(0);
      };
    }
    kestravane::linux_app::LinuxSession session(std::move(options));
    status = QApplication::exec();
  }
  return status;
}
