// The rig of the tests on a real X server: an Xvfb of the test's own with a keymap of several
// layouts, the X11 platform on it, a focused window that records what is typed, a keyboard that
// types through XTest, and the program's own key path (SwitchingEngine, as the application wires
// it) over the X11 services. The test's thread drives the main queue, so it is the main thread.
// Time the engine measures is a manual clock that the test moves; the taps' callbacks are
// counted, so a test knows when the tap thread has taken a trigger event in.
// Threads: the test's thread; see the parts' own contracts.
#pragma once

#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "KestravaneKit/InputSourceSwitcher.h"
#include "KestravaneKit/SwitchingEngine.h"
#include "Platform/Host/ManualClock.h"
#include "Platform/X11/X11KeyTable.h"
#include "Platform/X11/X11Platform.h"
#include "Support/ObservedEventTaps.h"
#include "Support/Recorders.h"
#include "Support/TemporaryFolder.h"
#include "Support/Waiting.h"
#include "Support/XvfbServer.h"
#include "X11/X11Clients.h"

namespace kestravane::testing_support {

// X key codes the tests type.
inline constexpr unsigned kKeyA = 38;
inline constexpr unsigned kKeyB = 56;
inline constexpr unsigned kKeyL = 46;
inline constexpr unsigned kKeyShiftLeft = 50;

class X11Test : public ::testing::Test {
 protected:
  // Starts Xvfb with these layouts; skips the test when Xvfb is not installed.
  void startServer(const std::string& layouts = "us,ru,de") {
    if (!XvfbServer::installed()) GTEST_SKIP() << "Xvfb and setxkbmap are not installed";
    server = std::make_unique<XvfbServer>();
    ASSERT_TRUE(server->running()) << "Xvfb did not start";
    ASSERT_TRUE(server->setLayouts(layouts)) << "setxkbmap failed";
  }

  platform::x11::X11PlatformOptions platformOptions() {
    platform::x11::X11PlatformOptions options;
    options.displayName = server->display();
    options.clock = clock;
    options.stateDirectory = folder.path / "runtime";
    options.autostartEntry = folder.path / "config" / "autostart" / "plivex.desktop";
    return options;
  }

  // The platform, the window and the keyboard on the started server.
  void openPlatform() {
    platform = platform::x11::X11Platform::open(platformOptions());
    ASSERT_NE(platform, nullptr);
    auto edited = std::make_shared<platform::Services>(*platform->services());
    taps = std::make_shared<ObservedEventTaps>(edited->eventTaps);
    edited->eventTaps = taps;
    observedServices = std::move(edited);
    window = std::make_unique<TypingWindow>(server->display());
    ASSERT_TRUE(window->ready()) << "the test window did not get the focus";
    keyboard = std::make_unique<TestKeyboard>(server->display());
    probe = std::make_unique<KeyboardProbe>(server->display());
  }

  void SetUp() override {
    startServer();
    if (IsSkipped() || HasFatalFailure()) return;
    openPlatform();
  }

  void TearDown() override { stopEngine(); }

  // The platform's services, with taps whose callbacks are counted.
  const std::shared_ptr<const platform::Services>& services() { return observedServices; }

  // The key path for `trigger`, built and started as the application does it.
  void startEngine(TriggerKind trigger) {
    stopEngine();
    parts = SwitchingEngine::make(
        services(), InputSourceSwitcher(*services()), {.trigger = trigger},
        [this](const InputSourceSwitcher::Result& result) { switches(result); }, {});
    parts.start();
    ASSERT_TRUE(pumpUntil([&] { return parts.engine->health() == EngineHealth::active; }));
  }
  void stopEngine() {
    parts.stop();
    parts = {};
  }

  // Drives the main queue (and reads the window's events) until `condition` holds.
  bool pumpUntil(const std::function<bool()>& condition) {
    return waitUntil(
        [&] {
          if (window) window->pump();
          return condition();
        },
        kDefaultWait, &platform->dispatch());
  }

  // Types a key into the window and returns what it typed.
  std::string type(unsigned keycode) {
    const std::size_t before = window->text.size();
    const std::size_t pressesBefore = window->presses.size();
    keyboard->tap(keycode);
    EXPECT_TRUE(pumpUntil([&] { return window->presses.size() > pressesBefore; }));
    return window->text.substr(before);
  }

  // Waits for the switch that the `count`th fire makes, and returns it.
  std::optional<InputSourceSwitcher::Result> awaitSwitch(std::size_t count) {
    if (!pumpUntil([&] { return switches.all().size() >= count; })) return std::nullopt;
    return switches.all()[count - 1];
  }

  // Presses and releases the trigger's key with the engine's clock moved `heldMs` in between,
  // once the tap thread has taken the press in.
  void holdTrigger(unsigned keycode, std::uint64_t heldMs) {
    const std::size_t before = taps->callbacksDone();
    keyboard->press(keycode);
    ASSERT_TRUE(pumpUntil([&] { return taps->callbacksDone() > before; }));
    clock->advanceMillis(heldMs);
    keyboard->release(keycode);
  }

  TemporaryFolder folder;
  std::shared_ptr<platform::host::ManualClock> clock =
      std::make_shared<platform::host::ManualClock>();
  std::unique_ptr<XvfbServer> server;
  std::unique_ptr<platform::x11::X11Platform> platform;
  std::shared_ptr<ObservedEventTaps> taps;
  std::shared_ptr<const platform::Services> observedServices;
  std::unique_ptr<TypingWindow> window;
  std::unique_ptr<TestKeyboard> keyboard;
  std::unique_ptr<KeyboardProbe> probe;
  SwitchingEngine parts;
  Recorder<InputSourceSwitcher::Result> switches;
};

}  // namespace kestravane::testing_support
