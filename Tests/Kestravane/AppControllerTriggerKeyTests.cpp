// The trigger key's own action, taken away while the engine runs for it and given back whenever
// the engine stops: a platform whose taps cannot swallow the key relies on the controller for
// this (on the virtual Mac, as on a Mac, nothing is taken; the request is recorded).
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "Kestravane/AppTestSupport.h"

namespace kestravane {
namespace {

using testing_support::AppTest;

class TriggerKeyTest : public AppTest {
 protected:
  std::optional<std::int64_t> withheld() { return mac.triggerKeyActions().withheldKey(); }
};

TEST_F(TriggerKeyTest, TheRunningEnginesTriggerKeyIsWithheldAndEachStopGivesItBack) {
  readyMac();
  storeConfig(TriggerKind::capsLock);
  launch();
  ASSERT_TRUE(controller->isRunning());
  EXPECT_EQ(withheld(), platform::kKeyCodeCapsLock);

  struct Step {
    TriggerKind trigger;
    std::int64_t key;
  };
  for (const Step step : {Step{TriggerKind::rightCommand, platform::kKeyCodeRightCommand},
                          Step{TriggerKind::fn, platform::kKeyCodeFn}}) {
    controller->apply({step.trigger, AppLanguage::en, false});
    ASSERT_TRUE(controller->isRunning());
    EXPECT_EQ(withheld(), step.key);
  }

  controller->toggleEnabled();  // switched off
  ASSERT_FALSE(controller->isRunning());
  EXPECT_EQ(withheld(), std::nullopt);
  controller->toggleEnabled();
  ASSERT_TRUE(controller->isRunning());
  EXPECT_EQ(withheld(), platform::kKeyCodeFn);

  controller.reset();
  EXPECT_EQ(withheld(), std::nullopt) << "the controller's end gives the key back";
}

TEST_F(TriggerKeyTest, AnEngineThatFailsToStartLeavesTheKeyAsItWas) {
  mac.preferences().setFnUsageType(0);
  permissions.setAccessibilityTrusted(true);  // trusted, but the tap is refused
  launch();
  ASSERT_FALSE(controller->isRunning());
  EXPECT_EQ(startFailures(), 1u);
  EXPECT_EQ(withheld(), std::nullopt);
  EXPECT_EQ(mac.triggerKeyActions().withholdCount(), 1u);
  EXPECT_GE(mac.triggerKeyActions().giveBackCount(), 1u);
}

// The keyboards' Caps Lock delay is lifted exactly while the engine runs for Caps Lock, and a
// record left by a run that never put it back is mended at the next start.
TEST_F(TriggerKeyTest, TheCapsLockDelayIsLiftedOnlyWhileTheEngineRunsForCapsLock) {
  constexpr std::uint64_t kBuiltIn = platform::vmac::VirtualHIDSystem::kBuiltInKeyboardId;
  const auto delay = [&] { return mac.hidSystem().capsLockDelayOverride(kBuiltIn); };
  readyMac();
  mac.hidSystem().setCapsLockDelayOverride(kBuiltIn, 30);  // the user's own setting
  CapsLockDelayLift::create(*services())->lift();          // a crashed run's leftover
  storeConfig(TriggerKind::fn);
  launch();
  ASSERT_TRUE(controller->isRunning());
  EXPECT_EQ(delay(), 30) << "the start puts back what a crashed run left";

  controller->apply({TriggerKind::capsLock, AppLanguage::en, false});
  EXPECT_EQ(delay(), 0);
  controller->apply({TriggerKind::rightCommand, AppLanguage::en, false});
  EXPECT_EQ(delay(), 30) << "a trigger change puts it back";
  controller->apply({TriggerKind::capsLock, AppLanguage::en, false});
  controller->quit();
  EXPECT_EQ(delay(), 30) << "quitting puts it back";
}

}  // namespace
}  // namespace kestravane
