// A virtual Mac installed for one test, with the application controller on it: the test's
// thread drives the main queue (so it is the main thread), time moves only when the test
// advances the manual clock, and work from the tap, fire and key-tester threads is waited for
// with short bounded real-time waits.
// Threading: built, used and torn down on the test's thread.
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
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane::testing_support {

inline constexpr std::string_view kStartFailedPrefix = "Plivex[app] startEngine failed: ";
inline constexpr std::string_view kTapCreatedPrefix = "Plivex[engine] tapCreate OK";
inline constexpr const char* kUS = "com.apple.keylayout.US";
inline constexpr const char* kRussian = "com.apple.keylayout.Russian";

class AppTest : public testing::Test {
 protected:
  AppTest() { mac.install(); }
  ~AppTest() override {
    controller.reset();
    platform::install(nullptr);
  }

  static platform::vmac::VirtualMacOptions options() {
    platform::vmac::VirtualMacOptions options;
    // Room for a slow tap thread to pick up its first event under the sanitizers.
    options.tapTimeout = std::chrono::milliseconds(5000);
    return options;
  }

  // Nothing missing: both permissions, the Globe key free, U.S. and Russian enabled.
  void readyMac() {
    mac.grantAllPermissions();
    mac.preferences().setFnUsageType(0);
  }

  void storeConfig(TriggerKind trigger, bool launchAtLogin = false) {
    ConfigStore().save(PlivexConfig(trigger, AppLanguage::en, launchAtLogin));
  }

  // Start-up, with the test's window host in place before the posted onboarding check.
  AppController& launch() {
    controller = AppController::create();
    controller->setWindowHost(host);
    return *controller;
  }

  std::size_t runPending() { return mac.dispatch().runPending(); }
  std::size_t advance(double seconds) { return mac.dispatch().advance(seconds); }

  // Runs the main queue until `condition` holds, waiting briefly for work from other threads.
  bool pumpUntil(const std::function<bool()>& condition,
                 std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      runPending();
      if (condition()) return true;
      if (std::chrono::steady_clock::now() >= deadline) return false;
      mac.dispatch().waitForWork(std::chrono::milliseconds(10));
    }
  }

  std::size_t logCount(std::string_view prefix) {
    const auto messages = mac.log().messages();
    return static_cast<std::size_t>(std::count_if(
        messages.begin(), messages.end(),
        [prefix](const std::string& message) { return message.starts_with(prefix); }));
  }
  std::size_t startFailures() { return logCount(kStartFailedPrefix); }
  // Each engine start that got its tap logs this once: the number of taps ever created.
  std::size_t tapsCreated() { return logCount(kTapCreatedPrefix); }

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

  platform::vmac::VirtualMac mac{options()};
  std::shared_ptr<HeadlessWindowHost> host = std::make_shared<HeadlessWindowHost>();
  std::shared_ptr<AppController> controller;
};

}  // namespace kestravane::testing_support
