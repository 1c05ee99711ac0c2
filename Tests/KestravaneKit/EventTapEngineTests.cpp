#include "KestravaneKit/EventTapEngine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "KestravaneKit/LogLines.h"
#include "Support/Recorders.h"
#include "Support/VirtualMacRig.h"

namespace kestravane {
namespace {

using platform::Event;
using platform::kEventKeyDown;
using platform::kEventKeyUp;
using platform::vmac::TapInfo;
using testing_support::Recorder;
using testing_support::RecordingDelegate;
using testing_support::VirtualMacRig;
using testing_support::waitUntil;
namespace keycode = platform::vmac::keycode;
using Error = EventTapEngine::EngineError;

const std::string kStartLogGranted =
    "Plivex[engine] start: AXIsProcessTrusted=true listenEventAccess=true";
const std::string kTapCreatedLog(logline::kEngineTapCreated);
const std::string kPostAccessGranted = std::string(logline::kEnginePostEventAccess) + "true";
const std::string kFireQueue = "kestravane.fire";

class EventTapEngineTest : public testing::Test {
 protected:
  std::shared_ptr<EventTapEngine> makeEngine(
      TriggerKind trigger = TriggerKind::fn,
      EventTapEngine::Suppress suppress = EventTapEngine::Suppress::tap) {
    auto engine = EventTapEngine::create(rig.services(), trigger, suppress, 300, delegate);
    engine->onHealthChange = [changes = healthChanges](EngineHealth health) { (*changes)(health); };
    return engine;
  }

  // Starts the engine and waits until its tap thread has reported it active.
  void startAndWait(EventTapEngine& engine) {
    engine.start();
    ASSERT_TRUE(waitUntil([&] { return engine.health() == EngineHealth::active; }));
  }

  Error startError(EventTapEngine& engine) {
    try {
      engine.start();
    } catch (const Error& error) {
      return error;
    }
    ADD_FAILURE() << "start() did not throw";
    return Error(Error::tapCreationFailed);
  }

  // What the program does with the Caps Lock trigger, so that a quick Caps Lock tap reaches the
  // tap instead of vanishing in the keyboard's delay.
  void liftCapsLockDelay() {
    rig.mac.hidSystem().setCapsLockDelayOverride(
        platform::vmac::VirtualHIDSystem::kBuiltInKeyboardId, 0);
  }

  // Waits until the fires submitted so far have reached (or missed) the delegate.
  void drainFires() { ASSERT_TRUE(rig.drain(kFireQueue)); }

  std::vector<Event> received() const { return rig.windowServer.receivedEvents(); }

  VirtualMacRig rig{VirtualMacRig::Start::granted};
  std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
  std::shared_ptr<Recorder<EngineHealth>> healthChanges =
      std::make_shared<Recorder<EngineHealth>>();
};

TEST_F(EventTapEngineTest, StartLogsInstallsOneActiveTapOnItsThreadAndStopRemovesThem) {
  auto engine = makeEngine();
  EXPECT_EQ(engine->health(), EngineHealth::noInputMonitoring);

  startAndWait(*engine);
  EXPECT_EQ(rig.logMessages(),
            (std::vector<std::string>{kStartLogGranted, kPostAccessGranted, kTapCreatedLog}));
  EXPECT_EQ(
      rig.windowServer.liveTaps(),
      (std::vector<TapInfo>{{platform::TapLocation::session, platform::TapPlacement::headInsert,
                             platform::TapOptions::defaultTap, 0x2005C0A, true}}));
  EXPECT_EQ(rig.threads.liveThreads(),
            (std::vector<platform::host::ThreadInfo>{
                {"kestravane.eventtap", platform::QualityOfService::userInteractive}}));

  engine->stop();
  EXPECT_EQ(engine->health(), EngineHealth::noInputMonitoring);
  EXPECT_TRUE(rig.windowServer.liveTaps().empty());
  EXPECT_TRUE(rig.threads.liveThreads().empty()) << "stop() waits for the tap thread";
  EXPECT_EQ(healthChanges->all(),
            (std::vector<EngineHealth>{EngineHealth::active, EngineHealth::noInputMonitoring}));
  EXPECT_EQ(rig.logMessages().size(), 3u) << "stop() logs nothing";
}

struct Refusal {
  bool trusted;
  bool inputMonitoring;
  Error::Case error;
  std::vector<std::string> log;
  EngineHealth health;
  bool tapAsked;  // the tap was attempted, so the program is listed under Input Monitoring
};

TEST_F(EventTapEngineTest, RefusedStartThrowsLogsAndReportsWhy) {
  const std::vector<Refusal> refusals{
      {false,
       true,
       Error::noAccessibility,
       {"Plivex[engine] start: AXIsProcessTrusted=false listenEventAccess=true",
        "Plivex[engine] postEventAccess=false", std::string(logline::kEngineNoAccessibility)},
       EngineHealth::noAccessibility,
       false},
      {true,
       false,
       Error::noInputMonitoring,
       {"Plivex[engine] start: AXIsProcessTrusted=true listenEventAccess=false",
        "Plivex[engine] postEventAccess=true", std::string(logline::kEngineTapCreateFailed)},
       EngineHealth::noInputMonitoring,
       true},
  };
  for (const auto& refusal : refusals) {
    SCOPED_TRACE(Error(refusal.error).what());
    VirtualMacRig mac{VirtualMacRig::Start::granted};  // a fresh Mac for each case
    mac.permissions.setAccessibilityTrusted(refusal.trusted);
    mac.permissions.setInputMonitoring(refusal.inputMonitoring);
    auto changes = std::make_shared<Recorder<EngineHealth>>();
    auto engine = EventTapEngine::create(mac.services(), TriggerKind::fn,
                                         EventTapEngine::Suppress::tap, 300, delegate);
    engine->onHealthChange = [changes](EngineHealth health) { (*changes)(health); };

    const Error error = startError(*engine);
    EXPECT_EQ(error, Error(refusal.error));
    EXPECT_STREQ(error.what(), Error(refusal.error).what());
    EXPECT_EQ(mac.logMessages(), refusal.log);
    EXPECT_EQ(engine->health(), refusal.health);
    // Only a change is reported: the engine starts out as noInputMonitoring.
    const bool changed = refusal.health != EngineHealth::noInputMonitoring;
    EXPECT_EQ(changes->all(), changed ? std::vector{refusal.health} : std::vector<EngineHealth>{});
    EXPECT_EQ(mac.permissions.listedForInputMonitoring(), refusal.tapAsked);
    EXPECT_EQ(mac.threads.startedCount(), 0u);

    // A failed start leaves the engine stopped; once allowed, the same engine starts.
    mac.mac.grantAllPermissions();
    startAndWait(*engine);
    engine->stop();
  }
}

TEST(EventTapEngineError, TextIsTheNameOfTheCase) {
  EXPECT_STREQ(Error(Error::alreadyStarted).what(), "alreadyStarted");
  EXPECT_STREQ(Error(Error::noInputMonitoring).what(), "noInputMonitoring");
  EXPECT_STREQ(Error(Error::noAccessibility).what(), "noAccessibility");
  EXPECT_STREQ(Error(Error::tapCreationFailed).what(), "tapCreationFailed");
  EXPECT_NE(Error(Error::noAccessibility), Error(Error::noInputMonitoring));
}

TEST_F(EventTapEngineTest, SecondStartThrowsAndLeavesTheRunningTapAlone) {
  auto engine = makeEngine();
  startAndWait(*engine);
  const Error error = startError(*engine);
  EXPECT_EQ(error, Error(Error::alreadyStarted));
  EXPECT_EQ(rig.logMessages().size(), 3u);
  EXPECT_EQ(rig.windowServer.liveTaps().size(), 1u);
  EXPECT_EQ(rig.threads.startedCount(), 1u);
  EXPECT_EQ(engine->health(), EngineHealth::active);
  engine->stop();
}

TEST_F(EventTapEngineTest, StopOfANeverStartedEngineDoesNothing) {
  auto engine = makeEngine();
  engine->stop();
  EXPECT_EQ(engine->health(), EngineHealth::noInputMonitoring);
  EXPECT_TRUE(healthChanges->all().empty());
  EXPECT_TRUE(rig.logMessages().empty());
}

TEST_F(EventTapEngineTest, StoppedEngineStartsAgainWithAFreshTapAndThread) {
  auto engine = makeEngine();
  startAndWait(*engine);
  engine->stop();
  startAndWait(*engine);
  EXPECT_EQ(rig.windowServer.liveTaps().size(), 1u);
  EXPECT_EQ(rig.threads.startedCount(), 2u);
  EXPECT_EQ(rig.threads.liveThreads().size(), 1u);
  engine->stop();
  EXPECT_EQ(healthChanges->all(),
            (std::vector<EngineHealth>{EngineHealth::active, EngineHealth::noInputMonitoring,
                                       EngineHealth::active, EngineHealth::noInputMonitoring}));
}

// The system creates a tap enabled, and until its thread serves it every key would wait for it,
// up to the tap timeout. The engine's tap is off until then: keys typed meanwhile pass at once.
TEST_F(EventTapEngineTest, KeysTypedBeforeTheTapThreadRunsAreNeverHeldUp) {
  rig.threads.setStartsHeld(true);  // the tap thread is slow to be scheduled
  auto engine = makeEngine();
  engine->start();
  ASSERT_EQ(rig.windowServer.liveTaps().size(), 1u);
  EXPECT_FALSE(rig.windowServer.liveTaps()[0].enabled);

  rig.keyboard.tap(keycode::a);
  EXPECT_EQ(rig.windowServer.tapTimeouts(), 0u);
  EXPECT_EQ(received().size(), 2u);

  rig.threads.setStartsHeld(false);
  ASSERT_TRUE(waitUntil([&] { return engine->health() == EngineHealth::active; }));
  EXPECT_TRUE(rig.windowServer.liveTaps()[0].enabled);
  rig.keyboard.tap(keycode::function);
  drainFires();
  EXPECT_EQ(delegate->fires(), 1u) << "served from then on";
  EXPECT_EQ(healthChanges->all(), std::vector<EngineHealth>{EngineHealth::active})
      << "never disabled by a timeout";
  engine->stop();
}

TEST_F(EventTapEngineTest, LoneFnTapSwallowsTheReleaseAndFiresOnTheFireQueue) {
  auto engine = makeEngine();
  startAndWait(*engine);

  rig.keyboard.press(keycode::function);
  rig.mac.clock().advanceMillis(300);
  rig.keyboard.release(keycode::function);
  drainFires();

  const auto events = received();
  ASSERT_EQ(events.size(), 1u) << "only the press reaches the application";
  EXPECT_EQ(events[0].keyCode, keycode::function);
  EXPECT_NE(events[0].flags & platform::kFlagSecondaryFn, 0u);
  EXPECT_EQ(delegate->threads(), std::vector<std::string>{kFireQueue});
  engine->stop();
}

TEST_F(EventTapEngineTest, HoldLongerThanTheLimitPassesWithoutFiring) {
  auto engine = makeEngine();
  startAndWait(*engine);
  rig.keyboard.press(keycode::function);
  rig.mac.clock().advanceMillis(301);
  rig.keyboard.release(keycode::function);
  drainFires();
  EXPECT_EQ(delegate->fires(), 0u);
  EXPECT_EQ(received().size(), 2u);
  engine->stop();
}

TEST_F(EventTapEngineTest, SuppressNoneLetsTheFiringReleasePass) {
  auto engine = makeEngine(TriggerKind::rightCommand, EventTapEngine::Suppress::none);
  startAndWait(*engine);
  rig.keyboard.tap(keycode::command);  // the left one never triggers
  rig.keyboard.tap(keycode::rightCommand);
  drainFires();
  EXPECT_EQ(received().size(), 4u);
  EXPECT_EQ(delegate->fires(), 1u);
  engine->stop();
}

TEST_F(EventTapEngineTest, CapsLockFiresAndIsSwallowedEvenWhileAKeyIsHeld) {
  liftCapsLockDelay();
  auto engine = makeEngine(TriggerKind::capsLock, EventTapEngine::Suppress::none);
  startAndWait(*engine);
  rig.keyboard.press(keycode::a);
  rig.keyboard.tap(keycode::capsLock);
  rig.keyboard.release(keycode::a);
  rig.keyboard.tap(keycode::capsLock);
  drainFires();
  EXPECT_EQ(delegate->fires(), 2u);
  std::vector<platform::EventType> types;
  for (const auto& event : received()) types.push_back(event.type);
  EXPECT_EQ(types, (std::vector<platform::EventType>{kEventKeyDown, kEventKeyUp}));
  engine->stop();
}

TEST_F(EventTapEngineTest, TapDisabledBySystemIsEnabledAgainAndForgetsThePress) {
  for (const bool byTimeout : {false, true}) {
    SCOPED_TRACE(byTimeout ? "disabled by timeout" : "disabled by user input");
    auto engine = makeEngine();
    startAndWait(*engine);
    const auto changesBefore = healthChanges->all().size();

    rig.keyboard.press(keycode::function);
    if (byTimeout) {
      rig.windowServer.sendTimeoutDisable();
    } else {
      rig.windowServer.sendUserInputDisable();
    }
    rig.keyboard.release(keycode::function);
    drainFires();

    const auto changes = healthChanges->all();
    EXPECT_EQ(std::vector<EngineHealth>(changes.begin() + changesBefore, changes.end()),
              (std::vector<EngineHealth>{EngineHealth::tapDisabled, EngineHealth::active}));
    EXPECT_EQ(engine->health(), EngineHealth::active);
    ASSERT_EQ(rig.windowServer.liveTaps().size(), 1u);
    EXPECT_TRUE(rig.windowServer.liveTaps()[0].enabled);
    EXPECT_EQ(delegate->fires(), 0u) << "the release of a forgotten press must not fire";
    EXPECT_EQ(received().size(), 2u);

    rig.keyboard.tap(keycode::function);  // the tap works again
    drainFires();
    EXPECT_EQ(delegate->fires(), 1u);
    engine->stop();
    rig.windowServer.clearReceivedEvents();
    delegate = std::make_shared<RecordingDelegate>();
  }
}

TEST_F(EventTapEngineTest, FireForADroppedDelegateReachesTheQueueAndIsDropped) {
  // Counts into storage the test keeps, so calls stay visible once the delegate is gone.
  class CountingDelegate final : public InterceptionEngineDelegate {
   public:
    explicit CountingDelegate(std::shared_ptr<std::atomic<int>> calls) : calls(std::move(calls)) {}
    void engineDidFire() override { ++*calls; }

   private:
    std::shared_ptr<std::atomic<int>> calls;
  };
  auto calls = std::make_shared<std::atomic<int>>(0);
  auto counting = std::make_shared<CountingDelegate>(calls);
  std::weak_ptr<CountingDelegate> watched = counting;
  liftCapsLockDelay();
  auto engine = EventTapEngine::create(rig.services(), TriggerKind::capsLock,
                                       EventTapEngine::Suppress::tap, 300, counting);
  startAndWait(*engine);
  auto blocksRun = [&] { return rig.mac.dispatch().serialBlocksRun(kFireQueue); };

  rig.keyboard.tap(keycode::capsLock);
  drainFires();
  ASSERT_EQ(blocksRun(), 1u);
  ASSERT_EQ(calls->load(), 1) << "while the delegate lives, its fire reaches it";

  counting.reset();
  ASSERT_TRUE(watched.expired()) << "the engine must not keep its delegate alive";
  rig.keyboard.tap(keycode::capsLock);
  drainFires();
  EXPECT_EQ(blocksRun(), 2u) << "the second fire was still submitted and its block ran";
  EXPECT_EQ(calls->load(), 1) << "with no delegate left, the fire is dropped";
  EXPECT_TRUE(received().empty()) << "both Caps Lock events were swallowed all the same";
  engine->stop();
}

}  // namespace
}  // namespace kestravane
