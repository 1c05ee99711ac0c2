// plivex-demo-shot OUT.png: renders the demo window, with Plivex's own status item, after a short
// fixed session (permissions granted, the Globe key freed, "Hello " typed, a lone fn tap,
// "Привет" typed, the Accessibility pane asked for), so that screenshots show the window at work.
#include <QApplication>
#include <cstdio>

#include "Kestravane/Linux/LinuxSession.h"
#include "Platform/Virtual/KeyTable.h"

namespace {

using kestravane::platform::vmac::keyByName;
using kestravane::platform::vmac::VirtualMac;

void typeKeys(VirtualMac& mac, std::initializer_list<const char*> names) {
  for (const char* name : names) mac.keyboard().tap(keyByName(name)->code);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: plivex-demo-shot OUT.png\n");
    return 2;
  }
  kestravane::linux_app::LinuxSession::Options options;
  options.logToStandardError = false;
  options.sharedController = false;
  kestravane::linux_app::LinuxSession session(std::move(options));
  auto& mac = session.mac();
  auto& controller = session.controller();
  session.demoWindow().show();

  mac.grantAllPermissions();
  mac.preferences().setFnUsageType(0);
  controller.reconcile();
  const std::uint16_t shift = keyByName("leftShift")->code;
  // The engine's tap is off until its thread takes it up; a person would not type that soon.
  bool ok = session.runUntil(
      [&] { return controller.isRunning() && mac.windowServer().allTapsServed(); });
  mac.keyboard().press(shift);
  typeKeys(mac, {"h"});
  mac.keyboard().release(shift);
  typeKeys(mac, {"e", "l", "l", "o", "space", "fn"});
  ok = ok && session.runUntil([&] {
    return mac.inputSources().currentSourceID() == "com.apple.keylayout.Russian";
  });
  mac.keyboard().press(shift);
  typeKeys(mac, {"g"});
  mac.keyboard().release(shift);
  typeKeys(mac, {"h", "b", "d", "t", "n"});
  controller.open(std::string(kestravane::AppController::kAccessibilitySettingsURL));
  session.runUntil([] { return false; }, 300);  // the window's refreshes
  if (!ok) std::fprintf(stderr, "plivex-demo-shot: the session did not reach its state\n");
  const bool written = kestravane::platform::vmac::demo::renderDemoWindow(
      session.demoWindow(), QString::fromLocal8Bit(argv[1]));
  if (!written) std::fprintf(stderr, "plivex-demo-shot: cannot write %s\n", argv[1]);
  return ok && written ? 0 : 1;
}
