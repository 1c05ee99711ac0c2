// The application controller on the test rig's virtual Mac, with the test's window host.
// Threads: built, used and torn down on the test's thread, which is the main thread.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Kestravane/AppController.h"
#include "Kestravane/HeadlessWindowHost.h"
#include "KestravaneKit/ConfigStore.h"
#include "KestravaneKit/LogLines.h"
#include "Support/VirtualMacRig.h"

namespace kestravane::testing_support {

inline constexpr const char* kUS = "com.apple.keylayout.US";
inline constexpr const char* kRussian = "com.apple.keylayout.Russian";

class AppTest : public testing::Test, protected VirtualMacRig {
 protected:
  ~AppTest() override { controller.reset(); }

  // Nothing missing: both permissions, the Globe and Caps Lock keys free, U.S. and Russian
  // enabled.
  void readyMac() {
    mac.grantAllPermissions();
    mac.preferences().setFnUsageType(0);
    mac.preferences().setRomanSwitchState(0);
  }

  void storeConfig(TriggerKind trigger, bool launchAtLogin = false) {
    ConfigStore(*services()).save(PlivexConfig(trigger, AppLanguage::en, launchAtLogin));
  }

  // Start-up, with the test's window host in place before the posted onboarding check.
  AppController& launch() {
    controller = AppController::create(services());
    controller->setWindowHost(host);
    return *controller;
  }

  // Start-up on a Mac ready but for a second layout, Caps Lock stored: the engine cannot start
  // and the posted onboarding check will open the window.
  void launchWithoutASecondLayout() {
    readyMac();
    storeConfig(TriggerKind::capsLock);
    mac.inputSources().setEnabled(kRussian, false);
    launch();
  }

  void launchWithoutAccessibility() {
    readyMac();
    storeConfig(TriggerKind::capsLock);
    mac.permissions().setAccessibilityTrusted(false);
    launch();
  }

  std::size_t startFailures() { return logCount(logline::kAppStartEngineFailed); }
  // Each engine start that got its tap logs this once: the number of taps ever created.
  std::size_t tapsCreated() { return logCount(logline::kEngineTapCreated); }

  // Live taps that may change events: the engine's (the key tester's only listens).
  std::size_t activeTaps() {
    const auto taps = mac.windowServer().liveTaps();
    return static_cast<std::size_t>(
        std::count_if(taps.begin(), taps.end(), [](const platform::vmac::TapInfo& tap) {
          return tap.options == platform::TapOptions::defaultTap;
        }));
  }
  std::size_t listenOnlyTaps() { return mac.windowServer().liveTaps().size() - activeTaps(); }

  // A lone tap of the fn/Globe key, well inside the hold limit.
  void tapFn() {
    mac.keyboard().press(platform::vmac::keycode::function);
    mac.clock().advanceMillis(50);
    mac.keyboard().release(platform::vmac::keycode::function);
  }

  std::shared_ptr<HeadlessWindowHost> host = std::make_shared<HeadlessWindowHost>();
  std::shared_ptr<AppController> controller;
};

}  // namespace kestravane::testing_support
