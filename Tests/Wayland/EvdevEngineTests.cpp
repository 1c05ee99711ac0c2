// The program's key path read from stand-in evdev keyboards: SwitchingEngine, as the application
// assembles it, over the Wayland backend's taps and poll run loops, with the virtual Mac for
// everything else (its input sources record the switch; its manual clock is the engine's time).
#include <gtest/gtest.h>

#include <memory>

#include "KestravaneKit/InputSourceSwitcher.h"
#include "KestravaneKit/SwitchingEngine.h"
#include "Platform/LinuxDesktop/PollRunLoops.h"
#include "Platform/Wayland/EvdevEventTaps.h"
#include "Support/ObservedEventTaps.h"
#include "Support/Recorders.h"
#include "Support/VirtualMacRig.h"
#include "Wayland/EvdevTestbed.h"

namespace kestravane {
namespace {

using testing_support::EvdevTestbed;

class EvdevEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    keyboard = testbed.add(EvdevTestbed::Kind::keyboard, 1);
    services = rig.editedServices([&](platform::Services& edited) {
      edited.eventTaps = taps;
      edited.runLoops = std::make_shared<platform::desktop::PollRunLoops>();
    });
    parts = SwitchingEngine::make(
        services, InputSourceSwitcher(*services), {.trigger = TriggerKind::fn},
        [this](const InputSourceSwitcher::Result& result) { switches(result); }, {});
    parts.start();
    ASSERT_TRUE(rig.pumpUntil([&] { return parts.engine->health() == EngineHealth::active; }));
  }
  void TearDown() override { parts.stop(); }

  // Sends a key's press (1) or release (0) and waits until the engine's callback took it.
  void key(std::uint16_t code, std::int32_t value) {
    const std::size_t before = taps->callbacksDone();
    testbed.key(keyboard, code, value);
    ASSERT_TRUE(rig.pumpUntil([&] { return taps->callbacksDone() > before; }));
  }
  // Whether `count` switches happened, once the fire queue and the main queue are done.
  std::size_t switchesSettled() {
    EXPECT_TRUE(rig.drain(""));
    rig.runPending();
    return switches.all().size();
  }
  bool awaitSwitches(std::size_t count) {
    return rig.pumpUntil([&] { return switches.all().size() >= count; });
  }

  EvdevTestbed testbed;
  EvdevTestbed::Device keyboard;
  testing_support::VirtualMacRig rig{testing_support::VirtualMacRig::Start::granted};
  std::shared_ptr<testing_support::ObservedEventTaps> taps =
      std::make_shared<testing_support::ObservedEventTaps>(
          std::make_shared<platform::wayland::EvdevEventTaps>());
  std::shared_ptr<const platform::Services> services;
  SwitchingEngine parts;
  testing_support::Recorder<InputSourceSwitcher::Result> switches;
};

TEST_F(EvdevEngineTest, ALoneTapOfTheMenuKeySwitches) {
  key(KEY_COMPOSE, 1);
  key(KEY_COMPOSE, 0);
  ASSERT_TRUE(awaitSwitches(1));
  EXPECT_TRUE(switches.all()[0].ok());
}

// Neither a hold past 300 ms nor a chord switches: the lone tap after them is the first switch.
TEST_F(EvdevEngineTest, AHoldOrAChordDoesNotSwitch) {
  key(KEY_COMPOSE, 1);
  rig.mac.clock().advanceMillis(301);
  key(KEY_COMPOSE, 0);

  key(KEY_COMPOSE, 1);
  key(KEY_A, 1);
  key(KEY_A, 0);
  key(KEY_COMPOSE, 0);
  EXPECT_EQ(switchesSettled(), 0u);

  key(KEY_COMPOSE, 1);
  rig.mac.clock().advanceMillis(300);
  key(KEY_COMPOSE, 0);
  ASSERT_TRUE(awaitSwitches(1));
  EXPECT_EQ(switchesSettled(), 1u);
}

}  // namespace
}  // namespace kestravane
