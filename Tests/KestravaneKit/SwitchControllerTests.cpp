#include "KestravaneKit/SwitchController.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "KestravaneCore/PlivexConfig.h"
#include "Support/VirtualMacRig.h"

namespace kestravane {
namespace {

using platform::vmac::InputSourceDescription;
using Result = InputSourceSwitcher::Result;

const std::string kLayout{platform::kTISTypeKeyboardLayout};
const std::string kA = "com.apple.keylayout.ABC";
const std::string kB = "com.apple.keylayout.Russian";
const std::string kC = "com.apple.keylayout.Ukrainian";
const std::string kMode = "com.apple.inputmethod.SCIM.ITABC";

// What the owner's onSwitch saw, and where.
struct Reported {
  Result result;
  std::thread::id thread;
  std::optional<std::string> currentWhenReported;
};

class SwitchControllerTest : public ::testing::Test {
 protected:
  SwitchControllerTest() {
    system().setSources({{kA, "ABC", kLayout, true, true},
                         {kB, "Russian", kLayout, true, true},
                         {kC, "Ukrainian", kLayout, true, true}});
    system().setCurrentSource(kA);
  }

  platform::vmac::VirtualTextInputSources& system() { return rig.mac.inputSources(); }

  std::shared_ptr<SwitchController> makeController(TriggerKind trigger = TriggerKind::fn) {
    return SwitchController::create(
        *rig.services(), InputSourceSwitcher(*rig.services()), trigger,
        [this](const Result& result) {
          reported.push_back({result, std::this_thread::get_id(), system().currentSourceID()});
        });
  }

  // Fires from another thread, as the engine's fire queue does, and waits until the fire call
  // has returned. The main queue is not driven meanwhile, so a fire that waited for the switch
  // would never return.
  static void fireFromFireQueue(const std::shared_ptr<SwitchController>& controller, int times) {
    std::thread fireQueue([controller, times] {
      for (int i = 0; i < times; ++i) controller->engineDidFire();
    });
    fireQueue.join();
  }

  testing_support::VirtualMacRig rig;
  std::vector<Reported> reported;  // main thread only
};

TEST_F(SwitchControllerTest, FireSwitchesOnTheMainQueueAfterReturning) {
  auto controller = makeController();
  fireFromFireQueue(controller, 1);

  EXPECT_TRUE(reported.empty());
  EXPECT_EQ(system().selectCallCount(), 0) << "no switch on the fire queue";
  EXPECT_EQ(system().currentSourceID(), kA);

  EXPECT_EQ(rig.mac.dispatch().runPending(), 1u);
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].result, (Result{kB, kB}));
  EXPECT_EQ(reported[0].thread, std::this_thread::get_id()) << "onSwitch on the main thread";
  EXPECT_EQ(system().selectCallCount(), 1);
  EXPECT_EQ(system().currentSourceID(), kB);
}

TEST_F(SwitchControllerTest, ThreeFiresSwitchInOrderEachReportedBeforeTheNext) {
  auto controller = makeController();
  fireFromFireQueue(controller, 3);
  rig.mac.dispatch().runPending();

  ASSERT_EQ(reported.size(), 3u);
  const std::vector<std::string> expected{kB, kC, kA};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(reported[i].result, (Result{expected[i], expected[i]}));
    // The system still shows this switch's layout, so the next switch has not begun yet.
    EXPECT_EQ(reported[i].currentWhenReported, expected[i]);
    EXPECT_EQ(reported[i].thread, std::this_thread::get_id());
  }
  EXPECT_EQ(system().selectCallCount(), 3);
}

TEST_F(SwitchControllerTest, EmptyCycleIsStillReported) {
  system().setSources({{kMode, "Pinyin – Simplified",
                        std::string(platform::kTISTypeKeyboardInputMode), true, true}});
  system().setCurrentSource(kMode);
  auto controller = makeController();
  fireFromFireQueue(controller, 1);
  rig.mac.dispatch().runPending();

  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].result, (Result{std::nullopt, kMode}));
  EXPECT_EQ(system().selectCallCount(), 0);
}

TEST_F(SwitchControllerTest, QueuedFireKeepsADroppedControllerAliveUntilItHasRun) {
  auto controller = makeController();
  const std::weak_ptr<SwitchController> weak = controller;
  fireFromFireQueue(controller, 1);
  controller.reset();  // the application drops it while the fire waits on the main queue

  EXPECT_FALSE(weak.expired()) << "the queued fire holds the controller";
  rig.mac.dispatch().runPending();
  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].result, (Result{kB, kB}));
  EXPECT_TRUE(weak.expired()) << "released once the fire has run";
}

// With secure input on, the tap cannot see the keys typed with the trigger (⌘V in a password
// field looks like a lone ⌘ tap): the fire switches nothing, and the engine is told, so that it
// passes and fires nothing until the main thread says secure input is off again.
TEST_F(SwitchControllerTest, UnderSecureInputAFireSwitchesNothingAndTellsTheEngine) {
  rig.mac.grantAllPermissions();
  auto controller = makeController(TriggerKind::rightCommand);
  auto engine = EventTapEngine::create(rig.services(), TriggerKind::rightCommand,
                                       EventTapEngine::Suppress::tap, 300, controller);
  controller->setEngine(engine);
  engine->start();
  ASSERT_TRUE(rig.pumpUntil([&] { return engine->health() == EngineHealth::active; }));
  const auto tapRightCommand = [&] {
    rig.keyboard.press(platform::vmac::keycode::rightCommand);
    rig.keyboard.release(platform::vmac::keycode::rightCommand);
    ASSERT_TRUE(rig.drain("kestravane.fire"));
    rig.runPending();
  };

  rig.permissions.setSecureInput(true);
  tapRightCommand();  // the engine does not know yet: it fires, and the fire finds secure input
  EXPECT_TRUE(reported.empty());
  EXPECT_EQ(system().currentSourceID(), kA);

  rig.windowServer.clearReceivedEvents();
  tapRightCommand();  // now told: the release passes, nothing fires
  EXPECT_TRUE(reported.empty());
  EXPECT_EQ(rig.windowServer.receivedEvents().size(), 2u) << "the ⌘ release is not swallowed";

  rig.permissions.setSecureInput(false);
  controller->engineDidFire();  // any fire tells it again
  rig.runPending();
  ASSERT_EQ(reported.size(), 1u);
  tapRightCommand();
  EXPECT_EQ(reported.size(), 2u) << "lone taps fire again";
  engine->stop();
}

// A tap cannot stop the Caps Lock lock from toggling below it: with the Caps Lock trigger every
// switch turns the lock off, so typing never turns to capitals; other triggers leave it alone.
TEST_F(SwitchControllerTest, WithTheCapsLockTriggerEachSwitchTurnsTheLockOff) {
  struct Case {
    TriggerKind trigger;
    bool lockBefore;
    bool lockAfter;
  };
  for (const auto& c : std::vector<Case>{{TriggerKind::capsLock, true, false},
                                         {TriggerKind::capsLock, false, false},
                                         {TriggerKind::fn, true, true},
                                         {TriggerKind::rightCommand, true, true}}) {
    SCOPED_TRACE(testing::Message() << rawValue(c.trigger) << " lock " << c.lockBefore);
    rig.keyboard.setCapsLockState(c.lockBefore);
    auto controller = makeController(c.trigger);
    fireFromFireQueue(controller, 1);
    EXPECT_EQ(rig.keyboard.capsLockOn(), c.lockBefore) << "not on the fire queue";
    rig.runPending();
    EXPECT_EQ(rig.keyboard.capsLockOn(), c.lockAfter);
  }
  EXPECT_EQ(reported.size(), 4u);
}

// Selecting a layout can take tens of milliseconds; letters typed meanwhile must not come out as
// capitals, so the lock is already off when the selection happens.
TEST_F(SwitchControllerTest, WithTheCapsLockTriggerTheLockIsOffBeforeTheLayoutIsSelected) {
  std::optional<bool> lockWhileSelecting;
  rig.mac.inputSources().setChangeObserver([&] { lockWhileSelecting = rig.keyboard.capsLockOn(); });
  rig.keyboard.setCapsLockState(true);
  auto controller = makeController(TriggerKind::capsLock);
  fireFromFireQueue(controller, 1);
  rig.runPending();
  EXPECT_EQ(lockWhileSelecting, false);
}

// Where the tap thread selected the layout already, the main thread selects nothing more: it
// turns the Caps Lock lock off as for any switch and reports the selection made, as requested and
// as current now (a position no layout has any more is requested as nothing).
TEST_F(SwitchControllerTest, ALayoutSelectedOnTheTapThreadIsReportedAndNotSelectedAgain) {
  struct Case {
    std::size_t position;
    std::optional<std::string> requested;
  };
  rig.keyboard.setCapsLockState(true);
  system().setCurrentSource(kB);  // what the tap thread selected
  auto controller = makeController(TriggerKind::capsLock);
  for (const auto& c : std::vector<Case>{{1, kB}, {2, kC}, {3, std::nullopt}}) {
    SCOPED_TRACE(c.position);
    reported.clear();
    std::thread([&] { controller->engineDidFireHavingSelected(c.position); }).join();
    EXPECT_TRUE(reported.empty()) << "reported on the main thread only";
    rig.runPending();
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(reported[0].result, (Result{c.requested, kB}));
    EXPECT_FALSE(rig.keyboard.capsLockOn());
    rig.keyboard.setCapsLockState(true);
  }
  EXPECT_EQ(system().selectCallCount(), 0);
}

TEST_F(SwitchControllerTest, AnUnreachableHIDSystemStillSwitches) {
  rig.mac.hidSystem().setUnreachable(true);
  rig.keyboard.setCapsLockState(true);
  auto controller = makeController(TriggerKind::capsLock);
  fireFromFireQueue(controller, 1);
  rig.runPending();

  ASSERT_EQ(reported.size(), 1u);
  EXPECT_EQ(reported[0].result, (Result{kB, kB}));
  EXPECT_EQ(rig.mac.hidSystem().setCount(), 1u) << "it tried";
  EXPECT_TRUE(rig.keyboard.capsLockOn());
}

}  // namespace
}  // namespace kestravane
