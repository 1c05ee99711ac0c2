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
    controller->apply(step.trigger, AppLanguage::en, false);
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

}  // namespace
}  // namespace kestravane
