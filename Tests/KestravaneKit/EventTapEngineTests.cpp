#include "KestravaneKit/EventTapEngine.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KestravaneKit/TapTestSupport.h"

namespace kestravane {
namespace {

using platform::Event;
using platform::kEventFlagsChanged;
using platform::kEventKeyDown;
using platform::kEventKeyUp;
using platform::vmac::TapInfo;
using testing_support::Recorder;
using testing_support::RecordingDelegate;
using testing_support::VirtualRig;
using testing_support::waitUntil;
namespace keycode = platform::vmac::keycode;
using Error = EventTapEngine::EngineError;

const std::string kStartLogGranted =
    "Plivex[engine] start: AXIsProcessTrusted=true listenEventAccess=true";
const std::string kTapCreatedLog = "Plivex[engine] tapCreate OK — tap создан, движок стартует";
const std::string kFireQueue = "kestravane.fire";

class EventTapEngineTest : public testing::Test {
 protected:
  std::shared_ptr<EventTapEngine> makeEngine(
      EventTapEngine::Trigger trigger = EventTapEngine::Trigger::fn,
      EventTapEngine::Suppress suppress = EventTapEngine::Suppress::tap) {
    auto engine = std::make_shared<EventTapEngine>(trigger, suppress, 300, delegate);
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

  // Waits until the fires submitted so far have reached (or missed) the delegate.
  void drainFires() { ASSERT_TRUE(rig.dispatch->drain(kFireQueue)); }

  std::vector<Event> received() const { return rig.windowServer->receivedEvents(); }

  VirtualRig rig;
  std::shared_ptr<RecordingDelegate> delegate = std::make_shared<RecordingDelegate>();
  std::shared_ptr<Recorder<EngineHealth>> healthChanges =
      std::make_shared<Recorder<EngineHealth>>();
};

TEST_F(EventTapEngineTest, StartLogsInstallsOneActiveTapOnItsThreadAndStopRemovesThem) {
  auto engine = makeEngine();
  EXPECT_EQ(engine->health(), EngineHealth::noInputMonitoring);

  startAndWait(*engine);
  EXPECT_EQ(rig.logMessages(), (std::vector<std::string>{kStartLogGranted, kTapCreatedLog}));
  EXPECT_EQ(
      rig.windowServer->liveTaps(),
      (std::vector<TapInfo>{{platform::TapLocation::session, platform::TapPlacement::headInsert,
                             platform::TapOptions::defaultTap, 0x1C00, true}}));
  EXPECT_EQ(rig.threads->liveThreads(),
            (std::vector<platform::vmac::ThreadInfo>{
                {"kestravane.eventtap", platform::QualityOfService::userInteractive}}));

  engine->stop();
  EXPECT_EQ(engine->health(), EngineHealth::noInputMonitoring);
  EXPECT_TRUE(rig.windowServer->liveTaps().empty());
  EXPECT_TRUE(rig.threads->liveThreads().empty()) << "stop() waits for the tap thread";
  EXPECT_EQ(healthChanges->all(),
            (std::vector<EngineHealth>{EngineHealth::active, EngineHealth::noInputMonitoring}));
  EXPECT_EQ(rig.logMessages().size(), 2u) << "stop() logs nothing";
}

TEST_F(EventTapEngineTest, WithoutAccessibilityThrowsBeforeAskingForATap) {
  rig.permissions->setAccessibilityTrusted(false);
  auto engine = makeEngine();

  const Error error = startError(*engine);
  EXPECT_EQ(error, Error(Error::noAccessibility));
  EXPECT_STREQ(error.what(), "noAccessibility");
  EXPECT_EQ(rig.logMessages(),
            (std::vector<std::string>{
                "Plivex[engine] start: AXIsProcessTrusted=false listenEventAccess=true",
                "Plivex[engine] BAIL: нет Accessibility — tapCreate не вызывается, IM не "
                "зарегистрируется"}));
  EXPECT_EQ(engine->health(), EngineHealth::noAccessibility);
  EXPECT_EQ(healthChanges->all(), std::vector<EngineHealth>{EngineHealth::noAccessibility});
  EXPECT_FALSE(rig.permissions->listedForInputMonitoring()) << "no tap may be attempted";
  EXPECT_EQ(rig.threads->startedCount(), 0u);

  // Once trust is granted the same engine starts.
  rig.permissions->setAccessibilityTrusted(true);
  startAndWait(*engine);
  engine->stop();
}

TEST_F(EventTapEngineTest, RefusedTapMeansNoInputMonitoring) {
  rig.permissions->setInputMonitoring(false);
  auto engine = makeEngine();

  const Error error = startError(*engine);
  EXPECT_EQ(error, Error(Error::noInputMonitoring));
  EXPECT_STREQ(error.what(), "noInputMonitoring");
  EXPECT_EQ(rig.logMessages(),
            (std::vector<std::string>{
                "Plivex[engine] start: AXIsProcessTrusted=true listenEventAccess=false",
                "Plivex[engine] tapCreate=NULL → нет Input Monitoring (app должен появиться в "
                "списке)"}));
  EXPECT_EQ(engine->health(), EngineHealth::noInputMonitoring);
  EXPECT_TRUE(healthChanges->all().empty()) << "the health did not change";
  EXPECT_TRUE(rig.permissions->listedForInputMonitoring());
  EXPECT_EQ(rig.threads->startedCount(), 0u);
  engine->stop();
  EXPECT_TRUE(healthChanges->all().empty()) << "a failed start leaves the engine stopped";
}

TEST_F(EventTapEngineTest, SecondStartThrowsAndLeavesTheRunningTapAlone) {
  auto engine = makeEngine();
  startAndWait(*engine);
  const Error error = startError(*engine);
  EXPECT_EQ(error, Error(Error::alreadyStarted));
  EXPECT_STREQ(error.what(), "alreadyStarted");
  EXPECT_EQ(rig.logMessages().size(), 2u);
  EXPECT_EQ(rig.windowServer->liveTaps().size(), 1u);
  EXPECT_EQ(rig.threads->startedCount(), 1u);
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
  EXPECT_EQ(rig.windowServer->liveTaps().size(), 1u);
  EXPECT_EQ(rig.threads->startedCount(), 2u);
  EXPECT_EQ(rig.threads->liveThreads().size(), 1u);
  engine->stop();
  EXPECT_EQ(healthChanges->all(),
            (std::vector<EngineHealth>{EngineHealth::active, EngineHealth::noInputMonitoring,
                                       EngineHealth::active, EngineHealth::noInputMonitoring}));
}

TEST_F(EventTapEngineTest, LoneFnTapSwallowsTheReleaseAndFiresOnTheFireQueue) {
  auto engine = makeEngine();
  startAndWait(*engine);

  rig.keyboard.press(keycode::function);
  rig.clock->advanceMillis(300);
  rig.keyboard.release(keycode::function);
  drainFires();

  const auto events = received();
  ASSERT_EQ(events.size(), 1u) << "only the press reaches the application";
  EXPECT_EQ(events[0].keyCode, keycode::function);
  EXPECT_NE(events[0].flags & platform::kFlagSecondaryFn, 0u);
  EXPECT_EQ(delegate->threads(), std::vector<std::string>{kFireQueue});
  engine->stop();
}

TEST_F(EventTapEngineTest, HoldLongerThanTheLimitOrAChordPassesWithoutFiring) {
  auto engine = makeEngine();
  startAndWait(*engine);

  rig.keyboard.press(keycode::function);
  rig.clock->advanceMillis(301);
  rig.keyboard.release(keycode::function);

  rig.keyboard.press(keycode::function);
  rig.keyboard.tap(keycode::a);
  rig.keyboard.release(keycode::function);
  drainFires();

  EXPECT_EQ(delegate->fires(), 0u);
  std::vector<std::pair<platform::EventType, std::int64_t>> seen;
  for (const auto& event : received()) seen.emplace_back(event.type, event.keyCode);
  EXPECT_EQ(seen, (std::vector<std::pair<platform::EventType, std::int64_t>>{
                      {kEventFlagsChanged, keycode::function},
                      {kEventFlagsChanged, keycode::function},
                      {kEventFlagsChanged, keycode::function},
                      {kEventKeyDown, keycode::a},
                      {kEventKeyUp, keycode::a},
                      {kEventFlagsChanged, keycode::function}}));
  engine->stop();
}

TEST_F(EventTapEngineTest, SuppressNoneLetsTheFiringReleasePass) {
  auto engine = makeEngine(EventTapEngine::Trigger::rightCommand, EventTapEngine::Suppress::none);
  startAndWait(*engine);
  rig.keyboard.tap(keycode::command);  // the left one never triggers
  rig.keyboard.tap(keycode::rightCommand);
  drainFires();
  EXPECT_EQ(received().size(), 4u);
  EXPECT_EQ(delegate->fires(), 1u);
  engine->stop();
}

TEST_F(EventTapEngineTest, CapsLockFiresAndIsSwallowedEvenWhileAKeyIsHeld) {
  auto engine = makeEngine(EventTapEngine::Trigger::capsLock, EventTapEngine::Suppress::none);
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
      rig.windowServer->sendTimeoutDisable();
    } else {
      rig.windowServer->sendUserInputDisable();
    }
    rig.keyboard.release(keycode::function);
    drainFires();

    const auto changes = healthChanges->all();
    EXPECT_EQ(std::vector<EngineHealth>(changes.begin() + changesBefore, changes.end()),
              (std::vector<EngineHealth>{EngineHealth::tapDisabled, EngineHealth::active}));
    EXPECT_EQ(engine->health(), EngineHealth::active);
    ASSERT_EQ(rig.windowServer->liveTaps().size(), 1u);
    EXPECT_TRUE(rig.windowServer->liveTaps()[0].enabled);
    EXPECT_EQ(delegate->fires(), 0u) << "the release of a forgotten press must not fire";
    EXPECT_EQ(received().size(), 2u);

    rig.keyboard.tap(keycode::function);  // the tap works again
    drainFires();
    EXPECT_EQ(delegate->fires(), 1u);
    engine->stop();
    rig.windowServer->clearReceivedEvents();
    delegate = std::make_shared<RecordingDelegate>();
  }
}

TEST_F(EventTapEngineTest, FireForADroppedDelegateIsDropped) {
  std::weak_ptr<RecordingDelegate> watched = delegate;
  auto engine = makeEngine(EventTapEngine::Trigger::capsLock);
  startAndWait(*engine);
  delegate.reset();
  ASSERT_TRUE(watched.expired()) << "the engine must not keep its delegate alive";
  rig.keyboard.tap(keycode::capsLock);
  drainFires();  // the fire's block has run without a receiver
  EXPECT_TRUE(received().empty());
  engine->stop();
}

TEST_F(EventTapEngineTest, StoppedEngineIsReleasedByItsOwnerAlone) {
  auto engine = makeEngine(EventTapEngine::Trigger::capsLock);
  startAndWait(*engine);
  rig.keyboard.tap(keycode::capsLock);
  drainFires();
  ASSERT_EQ(delegate->fires(), 1u);
  std::weak_ptr<EventTapEngine> watched = engine;
  engine->stop();
  engine.reset();
  EXPECT_TRUE(watched.expired()) << "a stopped engine is released by its owner alone";
}

TEST(EventTapEngineFields, HoldLimitIsKeptInNanosecondsAndNeverNegative) {
  VirtualRig rig;
  const std::weak_ptr<InterceptionEngineDelegate> none;
  EXPECT_EQ(EventTapEngine(EventTapEngine::Trigger::fn, EventTapEngine::Suppress::tap, 300, none)
                .holdTimeoutNanos,
            300'000'000u);
  EXPECT_EQ(EventTapEngine(EventTapEngine::Trigger::fn, EventTapEngine::Suppress::tap, -5, none)
                .holdTimeoutNanos,
            0u);
}

TEST_F(EventTapEngineTest, NegativeHoldLimitFiresOnlyWithinOneClockReading) {
  auto engine =
      std::make_shared<EventTapEngine>(EventTapEngine::Trigger::fn, EventTapEngine::Suppress::tap,
                                       -5, std::weak_ptr<InterceptionEngineDelegate>(delegate));
  startAndWait(*engine);
  rig.keyboard.tap(keycode::function);
  rig.keyboard.press(keycode::function);
  rig.clock->advanceNanos(1);
  rig.keyboard.release(keycode::function);
  drainFires();
  EXPECT_EQ(delegate->fires(), 1u);
  EXPECT_EQ(received().size(), 3u);
  engine->stop();
}

}  // namespace
}  // namespace kestravane
