// After every operation an engine exists exactly when isRunning is true (and a key tester exactly
// while isTesting), whatever the order of the user's operations, the passing of time and the
// changes the system goes through.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "Kestravane/AppTestSupport.h"

namespace kestravane {
namespace {

using testing_support::AppTest;
using testing_support::kRussian;
using testing_support::kUS;

class InvariantTest : public AppTest, public testing::WithParamInterface<std::uint32_t> {
 protected:
  void expectInvariant(const std::string& step) {
    // The engine object itself: a failed or stopped one must not be kept.
    ASSERT_EQ(controller->hasEngine(), controller->isRunning()) << "after " << step;
    // The engine is the only owner of an active tap, so the live active taps count the engines.
    ASSERT_EQ(activeTaps(), controller->isRunning() ? 1U : 0U) << "after " << step;
    // Likewise the key tester owns the only listen-only tap.
    ASSERT_EQ(listenOnlyTaps(), controller->isTesting() ? 1U : 0U) << "after " << step;
  }

  std::string step(std::mt19937& random) {
    // The user's operations come more often than the system's changes, so that the engine
    // spends much of the run started.
    std::discrete_distribution<int> pick({4, 2, 4, 3, 3, 3, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    switch (pick(random)) {
      case 0:
        controller->startEngine();
        return "startEngine";
      case 1:
        controller->stopEngine();
        return "stopEngine";
      case 2:
        controller->reconcile();
        return "reconcile";
      case 3: {
        const auto trigger = allTriggerKinds[random() % allTriggerKinds.size()];
        controller->apply({trigger, AppLanguage::en, random() % 2 == 0});
        return "apply " + std::string(rawValue(trigger));
      }
      case 4:
        controller->toggleEnabled();
        return "toggle";
      case 5:
        mac.workspace().postWake();
        runPending();
        return "wake";
      case 6:
        advance(1.0 + static_cast<double>(random() % 40) / 10.0);
        return "advance";
      case 7:
        controller->refresh();
        return "refresh";
      case 8:
        mac.permissions().setAccessibilityTrusted(random() % 4 != 0);
        return "accessibility";
      case 9:
        mac.permissions().setInputMonitoring(random() % 4 != 0);
        return "input monitoring";
      case 10:
        mac.inputSources().setEnabled(random() % 2 == 0 ? kUS : kRussian, random() % 3 != 0);
        return "layout enabled";
      case 11: {
        const std::optional<std::int64_t> values[] = {std::nullopt, 0, 0, 0, 2};
        const auto value = values[random() % 5];
        // One of the two keys the system may use too: the Globe key, or Caps Lock's switching.
        if (random() % 2 == 0) {
          mac.preferences().setFnUsageType(value);
        } else {
          mac.preferences().setRomanSwitchState(value);
        }
        return "trigger key preference";
      }
      case 12:
        mac.permissions().setSecureInput(random() % 2 == 0);
        return "secure input";
      case 13:
        controller->startKeyTest();
        return "startKeyTest";
      case 14:
        controller->stopKeyTest();
        return "stopKeyTest";
      case 15:
        controller->setUserEnabled(random() % 2 == 0);
        return "set userEnabled";
      case 16:
        runPending();
        return "main queue turn";

      default:
        mac.keyboard().tap(platform::vmac::keycode::capsLock);
        runPending();
        return "caps lock";
    }
  }
};

TEST_P(InvariantTest, AnEngineExistsExactlyWhenRunningAfterEveryStep) {
  std::mt19937 random(GetParam());
  mac.grantAllPermissions();
  mac.preferences().setFnUsageType(0);
  mac.preferences().setRomanSwitchState(0);
  launch();
  runPending();
  expectInvariant("start-up");
  for (int i = 0; i < 300 && !HasFatalFailure(); ++i) {
    const std::string done = step(random);
    expectInvariant(std::to_string(i) + ": " + done);
  }
  controller->stopKeyTest();
  EXPECT_GE(tapsCreated(), 20U) << "the sequence should start engines often";
}

INSTANTIATE_TEST_SUITE_P(AppController, InvariantTest, testing::Values(1U, 2U, 3U, 20240517U));

}  // namespace
}  // namespace kestravane
