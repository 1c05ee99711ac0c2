// The running engine as the controller sees it: switches, the on/off item, wake, the key tester,
// and callbacks that arrive after the controller is gone.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Kestravane/AppTestSupport.h"

namespace kestravane {
namespace {

using testing_support::AppTest;
using testing_support::kRussian;
using testing_support::kUS;
namespace keycode = platform::vmac::keycode;

class RunningEngineTest : public AppTest {
 protected:
  void SetUp() override {
    readyMac();
    launch();
    runPending();
    ASSERT_TRUE(controller->isRunning());
    ASSERT_TRUE(waitForTapThreads());
  }
};

TEST_F(RunningEngineTest, ALoneFnTapSwitchesAndObserversSeeTheNewText) {
  std::vector<std::string> seen;
  auto subscription = controller->subscribe([&] { seen.push_back(controller->lastSwitch()); });

  tapFn();
  ASSERT_TRUE(pumpUntil([&] { return controller->lastSwitch() != "—"; }));
  EXPECT_EQ(controller->lastSwitch(), "com.apple.keylayout.Russian ok=true");
  EXPECT_EQ(mac.inputSources().currentSourceID(), kRussian);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), "com.apple.keylayout.Russian ok=true") << "observers are told after";
  EXPECT_EQ(controller->health(), EngineHealth::active) << "a switch changes no health";

  tapFn();
  ASSERT_TRUE(pumpUntil([&] { return mac.inputSources().currentSourceID() == kUS; }));
  ASSERT_TRUE(
      pumpUntil([&] { return controller->lastSwitch() == "com.apple.keylayout.US ok=true"; }));
}

TEST_F(RunningEngineTest, ASwitchWithAnEmptyCycleShowsAQuestionMark) {
  controller->apply({TriggerKind::capsLock, AppLanguage::en, false});
  ASSERT_TRUE(controller->isRunning());
  ASSERT_TRUE(waitForTapThreads());
  mac.keyboard().press(keycode::capsLock);
  // The switch waits on the main queue; the layouts go away before it runs, and the notices of
  // their going queue up behind it, so the engine is still running when the switch finds none.
  ASSERT_TRUE(drain("kestravane.fire"));
  mac.inputSources().setEnabled(kUS, false);
  mac.inputSources().setEnabled(kRussian, false);
  ASSERT_TRUE(pumpUntil([&] { return controller->lastSwitch() != "—"; }));
  EXPECT_EQ(controller->lastSwitch(), "? ok=false");
}

TEST_F(RunningEngineTest, SwitchingOffStopsTheEngineAndTheCheckLeavesItOff) {
  std::vector<EngineHealth> seen;
  auto subscription = controller->subscribe([&] { seen.push_back(controller->health()); });

  controller->toggleEnabled();
  EXPECT_FALSE(controller->userEnabled());
  EXPECT_FALSE(controller->isRunning());
  EXPECT_EQ(controller->health(), EngineHealth::disabled);
  EXPECT_EQ(activeTaps(), 0U);
  EXPECT_EQ(seen.front(), EngineHealth::active) << "told before the change";

  advance(9);
  EXPECT_FALSE(controller->isRunning());
  EXPECT_EQ(controller->health(), EngineHealth::disabled);
  EXPECT_EQ(tapsCreated(), 1U);

  controller->toggleEnabled();
  EXPECT_TRUE(controller->userEnabled());
  EXPECT_TRUE(controller->isRunning());
  EXPECT_EQ(controller->health(), EngineHealth::active);
  EXPECT_EQ(tapsCreated(), 2U);
}

TEST_F(RunningEngineTest, WakeRebuildsARunningEngineAtOnceAndLeavesAStoppedOneAlone) {
  mac.workspace().postWake();
  runPending();
  EXPECT_EQ(tapsCreated(), 2U);
  EXPECT_EQ(activeTaps(), 1U);
  EXPECT_TRUE(controller->isRunning());

  controller->setUserEnabled(false);
  controller->stopEngine();
  mac.workspace().postWake();
  runPending();
  EXPECT_EQ(tapsCreated(), 2U);
  EXPECT_FALSE(controller->isRunning());
}

TEST_F(AppTest, WakeWhileAStartKeepsFailingWaitsForTheCheck) {
  mac.permissions().setAccessibilityTrusted(true);
  mac.preferences().setRomanSwitchState(0);
  storeConfig(TriggerKind::capsLock);
  launch();
  runPending();
  mac.workspace().postWake();
  runPending();
  EXPECT_EQ(startFailures(), 1U);
  advance(3);
  EXPECT_EQ(startFailures(), 2U);
}

TEST_F(RunningEngineTest, TheNewEngineAfterAWakeSwitches) {
  mac.workspace().postWake();
  runPending();
  ASSERT_TRUE(waitForTapThreads());
  tapFn();
  ASSERT_TRUE(pumpUntil([&] { return controller->lastSwitch() != "—"; }));
  EXPECT_EQ(controller->lastSwitch(), "com.apple.keylayout.Russian ok=true");
}

// Every way the program makes a new engine creates its tap before the new tap thread may run;
// the tap stays off until the thread serves it, so typing never waits for it meanwhile.
TEST_F(AppTest, KeysTypedWhileANewEngineStartsAreNeverHeldUp) {
  readyMac();
  const std::vector<std::pair<std::string, std::function<void()>>> rebuilds{
      {"start-up", [this] { launch(); }},
      {"wake", [this] { mac.workspace().postWake(); }},
      {"apply",
       [this] {
         controller->apply({TriggerKind::fn, AppLanguage::en, false});
       }},
      {"switching on",
       [this] {
         controller->toggleEnabled();
         controller->toggleEnabled();
       }},
  };
  std::size_t switches = 0;
  for (const auto& [name, rebuild] : rebuilds) {
    SCOPED_TRACE(name);
    mac.threads().setStartsHeld(true);  // the new tap thread is slow to be scheduled
    rebuild();
    runPending();
    ASSERT_TRUE(controller->isRunning());
    mac.windowServer().clearReceivedEvents();
    mac.keyboard().tap(keycode::a);
    EXPECT_EQ(mac.windowServer().tapTimeouts(), 0U);
    EXPECT_EQ(mac.windowServer().receivedEvents().size(), 2U) << "both reach the application";

    mac.threads().setStartsHeld(false);
    ASSERT_TRUE(waitForTapThreads());
    tapFn();
    ++switches;
    ASSERT_TRUE(pumpUntil([&] {
      return mac.inputSources().selectCallCount() == static_cast<int>(switches);
    })) << "the new engine switches once its thread runs";
  }
}

TEST_F(AppTest, KeyTestReportsModifierAndKeyDownHitsInTheFixedFormat) {
  mac.grantAllPermissions();
  launch();
  controller->startKeyTest();
  ASSERT_TRUE(controller->isTesting());
  ASSERT_TRUE(waitForTapThreads());
  EXPECT_EQ(controller->lastTestedKey(), "");

  mac.windowServer().post({platform::kEventFlagsChanged, keycode::function, 0x800000, 0});
  ASSERT_TRUE(pumpUntil([&] { return !controller->lastTestedKey().empty(); }));
  EXPECT_EQ(controller->lastTestedKey(), "keyCode 63 (модификатор)  fn=true  flags=0x800000");

  mac.keyboard().press(keycode::a);
  ASSERT_TRUE(pumpUntil([&] { return controller->lastTestedKey().starts_with("keyCode 0"); }));
  EXPECT_EQ(controller->lastTestedKey(), "keyCode 0  fn=false  flags=0x100");
  mac.keyboard().release(keycode::a);

  controller->stopKeyTest();
  EXPECT_FALSE(controller->isTesting());
  EXPECT_EQ(controller->lastTestedKey(), "");
  EXPECT_EQ(listenOnlyTaps(), 0U);
  controller->stopKeyTest();  // safe when no test runs
  EXPECT_FALSE(controller->isTesting());
}

// A hit already on its way to the main queue when the test stops belongs to that test only: it
// must not show after the stop, nor in a test started before it lands.
TEST_F(AppTest, AHitPostedBeforeTheKeyTestStopsIsDropped) {
  mac.grantAllPermissions();
  launch();
  for (const bool restart : {false, true}) {
    SCOPED_TRACE(restart ? "stopped and started again" : "stopped");
    controller->startKeyTest();
    ASSERT_TRUE(controller->isTesting());
    ASSERT_TRUE(waitForTapThreads());
    // A listen-only tap's callback has run, and posted the hit, when the press returns.
    mac.keyboard().press(platform::vmac::keycode::a);
    ASSERT_GT(mac.dispatch().waitingCount(), 0U);
    controller->stopKeyTest();
    if (restart) {
      controller->startKeyTest();
      ASSERT_TRUE(waitForTapThreads());
    }
    runPending();
    EXPECT_EQ(controller->isTesting(), restart);
    EXPECT_EQ(controller->lastTestedKey(), "");
    mac.keyboard().release(platform::vmac::keycode::a);
    runPending();
    if (restart) {
      // The running test still reports its own hits.
      mac.keyboard().press(platform::vmac::keycode::s);
      ASSERT_TRUE(pumpUntil([&] { return !controller->lastTestedKey().empty(); }));
      EXPECT_EQ(controller->lastTestedKey(), "keyCode 1  fn=false  flags=0x100");
      mac.keyboard().release(platform::vmac::keycode::s);
      controller->stopKeyTest();
      runPending();
    }
  }
}

TEST_F(AppTest, StartingAKeyTestTwiceStartsOneTester) {
  mac.grantAllPermissions();
  launch();
  controller->startKeyTest();
  controller->startKeyTest();
  EXPECT_TRUE(controller->isTesting());
  EXPECT_EQ(listenOnlyTaps(), 1U);
  controller->stopKeyTest();
}

TEST_F(AppTest, AKeyTestThatCannotStartLeavesNothingBehind) {
  mac.permissions().setInputMonitoring(true);  // but no Accessibility
  launch();
  std::size_t notifications = 0;
  auto subscription = controller->subscribe([&] { ++notifications; });
  controller->startKeyTest();
  EXPECT_FALSE(controller->isTesting());
  EXPECT_EQ(listenOnlyTaps(), 0U);
  EXPECT_EQ(notifications, 0U);
}

TEST(LastTestedKeyTextTest, FormatsCodeModifierMarkFnAndLowerCaseHexWithoutLeadingZeros) {
  struct Case {
    KeyTester::Hit hit;
    const char* text;
  };
  const Case cases[] = {
      {{63, true, true, 0x800000}, "keyCode 63 (модификатор)  fn=true  flags=0x800000"},
      {{0, false, false, 0x100}, "keyCode 0  fn=false  flags=0x100"},
      {{57, true, false, 0}, "keyCode 57 (модификатор)  fn=false  flags=0x0"},
      {{123, false, true, 0xA00100}, "keyCode 123  fn=true  flags=0xa00100"},
      {{-1, false, false, 0xFFFFFFFFFFFFFFFF}, "keyCode -1  fn=false  flags=0xffffffffffffffff"},
  };
  for (const auto& c : cases) EXPECT_EQ(AppController::lastTestedKeyText(c.hit), c.text);
}

TEST_F(RunningEngineTest, AFireArrivingAfterTheControllerIsGoneChangesNothingOfIt) {
  // Once the tap thread has taken its tap up, its start-up work is posted.
  ASSERT_TRUE(waitForTapThreads());
  runPending();
  const std::size_t idle = mac.dispatch().waitingCount();
  std::size_t notifications = 0;
  auto subscription = controller->subscribe([&] { ++notifications; });

  tapFn();
  // The switch is on the main queue once the fire has crossed the fire queue (the press has
  // already posted its question about secure input there).
  ASSERT_TRUE(drain("kestravane.fire"));
  ASSERT_GT(mac.dispatch().waitingCount(), idle);

  controller.reset();
  EXPECT_FALSE(subscription.isActive());
  runPending();
  EXPECT_EQ(mac.inputSources().currentSourceID(), kRussian) << "the switch itself still happens";
  EXPECT_EQ(notifications, 0U);
}

TEST_F(AppTest, AHitArrivingAfterTheControllerIsGoneIsDropped) {
  mac.grantAllPermissions();
  launch();
  controller->startKeyTest();
  ASSERT_TRUE(waitForTapThreads());
  std::size_t notifications = 0;
  auto subscription = controller->subscribe([&] { ++notifications; });
  // A listen-only tap's callback has run, and posted the hit, when the press returns.
  mac.keyboard().press(keycode::a);
  controller.reset();
  EXPECT_EQ(listenOnlyTaps(), 0U);
  runPending();
  EXPECT_EQ(notifications, 0U);
  mac.keyboard().release(keycode::a);
}

}  // namespace
}  // namespace kestravane
