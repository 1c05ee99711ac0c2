#include "KestravaneKit/EngineInputsGatherer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "Support/UnswitchableSources.h"
#include "Support/VirtualMacRig.h"

namespace kestravane {
namespace {

using platform::vmac::VirtualMac;

// Each fact of the machine lands in its own input, and the key conflict is the trigger's on the
// machine's keyboard; the engine's part is left to the caller.
TEST(EngineInputsGathererTest, EachFactOfTheMachineLandsInItsInput) {
  struct Case {
    std::string name;
    std::function<void(VirtualMac&)> setUp;
    TriggerKind trigger;
    bool pcKeyboard;
    EngineInputs expected;
  };
  const auto ready = [](VirtualMac& mac) {
    mac.grantAllPermissions();
    mac.preferences().setFnUsageType(0);
    mac.preferences().setRomanSwitchState(0);
  };
  const std::vector<Case> cases{
      {"FreshMac",
       [](VirtualMac&) {},
       TriggerKind::fn,
       false,
       {.layoutCount = 2, .triggerConflict = KeyConflict::globeKey}},
      {"ReadyMac",
       ready,
       TriggerKind::fn,
       false,
       {.hasAccessibility = true,
        .layoutCount = 2,
        .triggerConflict = KeyConflict::globeKey,
        .triggerKeyFree = true,
        .hasInputMonitoring = true}},
      {"CapsLockStillSwitches",
       [&](VirtualMac& mac) {
         ready(mac);
         mac.preferences().setRomanSwitchState(1);
       },
       TriggerKind::capsLock,
       false,
       {.hasAccessibility = true,
        .layoutCount = 2,
        .triggerConflict = KeyConflict::capsLockSwitching,
        .hasInputMonitoring = true}},
      {"RightCommandConflictsWithNothing",
       [](VirtualMac&) {},
       TriggerKind::rightCommand,
       false,
       {.layoutCount = 2, .triggerKeyFree = true}},
      {"PcKeyboardHasNoGlobeKey",
       [](VirtualMac&) {},
       TriggerKind::fn,
       true,
       {.layoutCount = 2, .triggerKeyFree = true}},
      {"SecureInputAndNoList",
       [&](VirtualMac& mac) {
         ready(mac);
         mac.permissions().setSecureInput(true);
         mac.inputSources().setListFails(true);
       },
       TriggerKind::fn,
       false,
       {.hasAccessibility = true,
        .triggerConflict = KeyConflict::globeKey,
        .triggerKeyFree = true,
        .secureInput = true,
        .hasInputMonitoring = true}},
      {"TrustedWithoutInputMonitoring",
       [&](VirtualMac& mac) {
         ready(mac);
         mac.permissions().setInputMonitoring(false);
       },
       TriggerKind::rightCommand,
       false,
       {.hasAccessibility = true, .layoutCount = 2, .triggerKeyFree = true}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::VirtualMacRig rig;
    c.setUp(rig.mac);
    const auto services =
        rig.editedServices([&](platform::Services& edited) { edited.pcKeyboard = c.pcKeyboard; });
    EXPECT_EQ(gatherEngineInputs(*services, c.trigger), c.expected);
  }
}

// A system whose layouts cannot be switched at all (an X server without XKB) says so, whatever
// else it lists.
TEST(EngineInputsGathererTest, ASystemThatCannotSwitchLayoutsSaysSo) {
  testing_support::VirtualMacRig rig;
  rig.mac.grantAllPermissions();
  const auto services = rig.editedServices([](platform::Services& edited) {
    edited.inputSources =
        std::make_shared<testing_support::UnswitchableSources>(edited.inputSources);
  });
  const EngineInputs inputs = gatherEngineInputs(*services, TriggerKind::rightCommand);
  EXPECT_TRUE(inputs.layoutsUnswitchable);
  EXPECT_EQ(EngineState::health(inputs), EngineHealth::layoutsUnswitchable);
}

}  // namespace
}  // namespace kestravane
