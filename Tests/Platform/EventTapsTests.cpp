#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Host/HostThreads.h"
#include "Platform/Virtual/Keyboard.h"
#include "Platform/Virtual/Mouse.h"
#include "Platform/Virtual/PermissionState.h"
#include "Platform/Virtual/VirtualEventTaps.h"
#include "Platform/Virtual/VirtualRunLoops.h"
#include "Platform/Virtual/WindowServer.h"
#include "Support/Waiting.h"
#include "TapHarness.h"

namespace kestravane::platform::vmac {
namespace {

using namespace std::chrono_literals;
using ::kestravane::testing_support::waitUntil;
using testing::TapHarness;

constexpr EventMask kKeyMask = eventMaskBit(kEventKeyDown) | eventMaskBit(kEventKeyUp) |
                               eventMaskBit(kEventFlagsChanged);  // 0x1C00
constexpr EventFlags kFnDown = kFlagSecondaryFn | kFlagNonCoalesced;

class EventTapsTest : public ::testing::Test {
 protected:
  EventTapsTest() {
    permissions->setInputMonitoring(true);
    permissions->setAccessibilityTrusted(true);
  }

  TapHarness harness(TapOptions options, EventMask mask = kKeyMask,
                     TapLocation location = TapLocation::session,
                     TapPlacement placement = TapPlacement::headInsert) {
    return TapHarness(*taps, loops, threads, options, mask, location, placement);
  }

  std::vector<Event> received() const { return windowServer->receivedEvents(); }

  std::shared_ptr<PermissionState> permissions = std::make_shared<PermissionState>();
  std::shared_ptr<WindowServer> windowServer = std::make_shared<WindowServer>(permissions);
  std::shared_ptr<VirtualEventTaps> taps = std::make_shared<VirtualEventTaps>(windowServer);
  VirtualRunLoops loops;
  host::HostThreads threads;
  Keyboard keyboard{windowServer};
};

TEST_F(EventTapsTest, ActiveTapSwallowsTheReleaseOnItsOwnThreadWhileTheAppGetsThePress) {
  TapHarness tap(*taps, loops, threads, TapOptions::defaultTap, kKeyMask);
  tap.setBehaviour([](EventType type, Event* event) -> Event* {
    const bool fnRelease = type == kEventFlagsChanged && event->keyCode == keycode::function &&
                           (event->flags & kFlagSecondaryFn) == 0;
    return fnRelease ? nullptr : event;
  });
  ASSERT_TRUE(tap.start());

  keyboard.tap(keycode::function);

  const auto seen = tap.seen();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].flags, kFnDown);
  EXPECT_EQ(seen[1].flags, kFlagNonCoalesced);
  for (const auto& s : seen) {
    EXPECT_EQ(s.thread, tap.loopThread());
    EXPECT_NE(s.thread, std::this_thread::get_id());
  }
  EXPECT_EQ(received(), (std::vector<Event>{{kEventFlagsChanged, keycode::function, kFnDown, 0}}));
}

TEST_F(EventTapsTest, ListenOnlyTapSeesEverythingAndChangesNothing) {
  auto tap = harness(TapOptions::listenOnly);
  tap.setBehaviour([](EventType, Event*) -> Event* { return nullptr; });  // ignored
  ASSERT_TRUE(tap.start());

  keyboard.tap(keycode::function);
  keyboard.tap(keycode::a);

  EXPECT_EQ(tap.seenTypes(), (std::vector<EventType>{kEventFlagsChanged, kEventFlagsChanged,
                                                     kEventKeyDown, kEventKeyUp}));
  EXPECT_EQ(received().size(), 4u);
}

TEST_F(EventTapsTest, MaskSelectsTheEventTypesATapSees) {
  auto tap = harness(TapOptions::listenOnly, 0x1400);  // key-down and flags-changed
  ASSERT_TRUE(tap.start());
  keyboard.tap(keycode::a);
  keyboard.tap(keycode::shift);
  EXPECT_EQ(tap.seenTypes(),
            (std::vector<EventType>{kEventKeyDown, kEventFlagsChanged, kEventFlagsChanged}));
}

TEST_F(EventTapsTest, MaskSelectsClicksAndMediaKeysLikeKeys) {
  Mouse mouse(windowServer, std::shared_ptr<const Keyboard>(&keyboard, [](const Keyboard*) {}));
  const EventMask downs = eventMaskBit(kEventLeftMouseDown) | eventMaskBit(kEventRightMouseDown) |
                          eventMaskBit(kEventOtherMouseDown) | eventMaskBit(kEventSystemDefined);
  auto tap = harness(TapOptions::listenOnly, downs);
  ASSERT_TRUE(tap.start());
  for (const auto button : {MouseButton::left, MouseButton::right, MouseButton::other}) {
    mouse.click(button);
  }
  keyboard.tapAuxKey(AuxKey::brightnessDown);
  keyboard.tap(keycode::a);
  EXPECT_EQ(tap.seenTypes(),
            (std::vector<EventType>{kEventLeftMouseDown, kEventRightMouseDown, kEventOtherMouseDown,
                                    kEventSystemDefined, kEventSystemDefined}));
  EXPECT_EQ(received().size(), 10u) << "every event reaches the application";
}

// macOS creates a tap enabled: until a running loop serves it, each event it selects waits the
// whole tap timeout, then the tap is disabled and told so once it is served. Disabled at once,
// it holds nothing up.
TEST_F(EventTapsTest, ANewTapHoldsEachEventUntilTheTimeoutUntilALoopServesIt) {
  windowServer->setTapTimeout(50ms);
  for (const bool disabledAtOnce : {false, true}) {
    SCOPED_TRACE(disabledAtOnce ? "disabled at once" : "left as created");
    windowServer->clearReceivedEvents();
    const auto timeoutsBefore = windowServer->tapTimeouts();
    auto tap = harness(TapOptions::defaultTap);
    tap.setBehaviour([](EventType, Event*) -> Event* { return nullptr; });  // swallow, in time
    ASSERT_TRUE(tap.create());
    EXPECT_TRUE(windowServer->liveTaps().at(0).enabled);
    if (disabledAtOnce) taps->tapEnable(tap.tap(), false);
    EXPECT_FALSE(windowServer->allTapsServed());

    keyboard.tap(keycode::a);
    EXPECT_EQ(received().size(), 2u) << "both pass, late or not";
    EXPECT_EQ(windowServer->tapTimeouts() - timeoutsBefore, disabledAtOnce ? 0u : 1u);
    EXPECT_FALSE(windowServer->liveTaps().at(0).enabled);

    ASSERT_TRUE(tap.serve());
    EXPECT_TRUE(waitUntil([&] { return windowServer->allTapsServed(); }));
    if (disabledAtOnce) {
      EXPECT_TRUE(tap.seen().empty());
    } else {
      ASSERT_TRUE(tap.waitForSeen(1));
      EXPECT_EQ(tap.seenTypes(), std::vector<EventType>{kEventTapDisabledByTimeout});
    }
  }
}

TEST_F(EventTapsTest, SlowCallbackIsDisabledByTimeoutAndCanBeEnabledAgain) {
  windowServer->setTapTimeout(60ms);
  auto tap = harness(TapOptions::defaultTap);
  std::atomic<int> calls{0};
  tap.setBehaviour([&](EventType type, Event*) -> Event* {
    if (type == kEventKeyDown && calls++ == 0) std::this_thread::sleep_for(200ms);
    return nullptr;  // would swallow, were it in time
  });
  ASSERT_TRUE(tap.start());

  keyboard.press(keycode::a);
  // The late answer did not count: the app has the key-down, and the tap is off.
  EXPECT_EQ(received().size(), 1u);
  ASSERT_EQ(windowServer->liveTaps().size(), 1u);
  EXPECT_FALSE(windowServer->liveTaps()[0].enabled);
  keyboard.release(keycode::a);  // not offered to the disabled tap
  EXPECT_EQ(received().size(), 2u);

  ASSERT_TRUE(tap.waitForSeen(2));
  const auto seen = tap.seen();
  EXPECT_EQ(seen[1].type, kEventTapDisabledByTimeout);
  EXPECT_EQ(seen[1].thread, tap.loopThread());

  windowServer->setTapTimeout(5s);  // from here on the callback is in time, even on a busy machine
  taps->tapEnable(tap.tap(), true);
  keyboard.tap(keycode::s);  // key-down answered in time: swallowed; key-up too
  EXPECT_EQ(received().size(), 2u);
  EXPECT_EQ(tap.seenTypes(), (std::vector<EventType>{kEventKeyDown, kEventTapDisabledByTimeout,
                                                     kEventKeyDown, kEventKeyUp}));
}

TEST_F(EventTapsTest, TapsAreRefusedWithoutThePermissionsMacOSAsksFor) {
  struct Case {
    bool inputMonitoring;
    bool accessibility;
    TapOptions options;
    bool created;
  };
  const Case cases[] = {
      {false, true, TapOptions::defaultTap, false},  {false, true, TapOptions::listenOnly, false},
      {false, false, TapOptions::listenOnly, false}, {true, false, TapOptions::defaultTap, false},
      {true, false, TapOptions::listenOnly, true},   {true, true, TapOptions::defaultTap, true},
  };
  for (const auto& c : cases) {
    auto localPermissions = std::make_shared<PermissionState>();
    localPermissions->setInputMonitoring(c.inputMonitoring);
    localPermissions->setAccessibilityTrusted(c.accessibility);
    auto server = std::make_shared<WindowServer>(localPermissions);
    VirtualEventTaps localTaps(server);
    auto tap = localTaps.tapCreate(
        TapLocation::session, TapPlacement::headInsert, c.options, kKeyMask,
        [](EventType, Event* e, void*) { return e; }, nullptr);
    EXPECT_EQ(tap != nullptr, c.created) << "IM=" << c.inputMonitoring << " AX=" << c.accessibility
                                         << " listenOnly=" << (c.options == TapOptions::listenOnly);
    EXPECT_EQ(server->liveTaps().size(), c.created ? 1u : 0u);
    // Asking for a tap lists the program under Input Monitoring, granted or not.
    EXPECT_TRUE(localPermissions->listedForInputMonitoring());
  }
}

TEST_F(EventTapsTest, ListenAccessRequestIsRecordedAndGrantsOnlyWhenTheUserAllows) {
  permissions->setInputMonitoring(false);
  EXPECT_FALSE(taps->preflightListenEventAccess());
  EXPECT_FALSE(taps->requestListenEventAccess());
  EXPECT_FALSE(taps->preflightListenEventAccess());
  permissions->setListenRequestGrants(true);
  EXPECT_TRUE(taps->requestListenEventAccess());
  EXPECT_TRUE(taps->preflightListenEventAccess());
  EXPECT_EQ(permissions->listenRequestCount(), 2u);
}

TEST_F(EventTapsTest, SecureInputHidesKeyEventsFromTapsButNotFromTheApp) {
  auto tap = harness(TapOptions::defaultTap);
  tap.setBehaviour([](EventType, Event*) -> Event* { return nullptr; });  // swallows all it sees
  ASSERT_TRUE(tap.start());
  permissions->setSecureInput(true);

  keyboard.tap(keycode::a);
  keyboard.press(keycode::shift);

  EXPECT_EQ(tap.seenTypes(), (std::vector<EventType>{kEventFlagsChanged}));
  EXPECT_EQ(received().size(), 2u);  // key-down and key-up of "a"; the shift press was swallowed
}

TEST_F(EventTapsTest, TapsRunByLocationThenHeadNewestFirstThenTailOldestFirst) {
  struct Order {
    std::mutex mutex;
    std::vector<int> ids;
  } order;
  struct Tag {
    Order* order;
    int id;
  };
  auto record = [](EventType, Event* event, void* info) -> Event* {
    auto* tag = static_cast<Tag*>(info);
    std::lock_guard lock(tag->order->mutex);
    tag->order->ids.push_back(tag->id);
    return event;
  };
  struct TapPlace {
    TapLocation location;
    TapPlacement placement;
  };
  // Created in this order; ids are their creation numbers.
  const TapPlace places[] = {
      {TapLocation::session, TapPlacement::tailAppend},           // 0
      {TapLocation::session, TapPlacement::headInsert},           // 1
      {TapLocation::annotatedSession, TapPlacement::headInsert},  // 2
      {TapLocation::session, TapPlacement::tailAppend},           // 3
      {TapLocation::session, TapPlacement::headInsert},           // 4
      {TapLocation::hid, TapPlacement::tailAppend},               // 5
  };
  std::vector<Tag> tags;
  for (int i = 0; i < 6; ++i) tags.push_back({&order, i});
  std::vector<std::shared_ptr<EventTap>> created;
  std::vector<std::shared_ptr<RunLoopSource>> sources;
  std::shared_ptr<RunLoop> loop;
  std::atomic<bool> ready{false};
  auto thread = threads.create([&] {
    loop = loops.current();
    for (auto& source : sources) loops.addSource(*loop, source);
    ready = true;
    loops.run();
  });
  for (int i = 0; i < 6; ++i) {
    created.push_back(taps->tapCreate(places[i].location, places[i].placement,
                                      TapOptions::listenOnly, kKeyMask, record, &tags[i]));
    sources.push_back(taps->createRunLoopSource(*created.back()));
  }
  thread->start();
  ASSERT_TRUE(testing_support::waitUntil([&] { return ready.load(); }));

  keyboard.press(keycode::a);
  {
    std::lock_guard lock(order.mutex);
    EXPECT_EQ(order.ids, (std::vector<int>{5, 4, 1, 0, 3, 2}));
  }
  for (auto& tap : created) taps->invalidate(*tap);
  for (auto& source : sources) loops.removeSource(*loop, *source);  // the loop ends: no source
  EXPECT_TRUE(threads.waitUntilAllFinished(5s));
}

TEST_F(EventTapsTest, SwallowedEventNeverReachesLaterTaps) {
  auto first = harness(TapOptions::defaultTap, kKeyMask, TapLocation::hid);
  auto later = harness(TapOptions::listenOnly, kKeyMask, TapLocation::session);
  first.setBehaviour([](EventType type, Event* e) { return type == kEventKeyUp ? nullptr : e; });
  ASSERT_TRUE(first.start());
  ASSERT_TRUE(later.start());
  keyboard.tap(keycode::a);
  EXPECT_EQ(later.seenTypes(), (std::vector<EventType>{kEventKeyDown}));
  EXPECT_EQ(received().size(), 1u);
}

TEST_F(EventTapsTest, EventsWaitInThePortUntilTheLoopRuns) {
  std::atomic<int> calls{0};
  auto tap = taps->tapCreate(
      TapLocation::session, TapPlacement::headInsert, TapOptions::listenOnly, kKeyMask,
      [](EventType, Event* e, void* info) {
        static_cast<std::atomic<int>*>(info)->fetch_add(1);
        return e;
      },
      &calls);
  ASSERT_NE(tap, nullptr);
  std::mutex mutex;
  std::shared_ptr<RunLoop> loop;
  auto thread = threads.create([&] {
    std::this_thread::sleep_for(30ms);  // the key is pressed before the source is in a loop
    auto current = loops.current();
    loops.addSource(*current, taps->createRunLoopSource(*tap));
    {
      std::lock_guard lock(mutex);
      loop = current;
    }
    loops.run();
  });
  thread->start();
  keyboard.press(keycode::a);  // returns once the late loop has delivered it
  EXPECT_EQ(calls.load(), 1);
  EXPECT_TRUE(windowServer->liveTaps().at(0).enabled);
  taps->invalidate(*tap);
  std::lock_guard lock(mutex);
  loops.stop(*loop);
  EXPECT_TRUE(threads.waitUntilAllFinished(5s));
}

TEST_F(EventTapsTest, StoppedLoopMakesTheDeliveryTimeOutInsteadOfHanging) {
  windowServer->setTapTimeout(50ms);
  auto tap = harness(TapOptions::defaultTap);
  ASSERT_TRUE(tap.start());
  loops.stop(*tap.loop());
  ASSERT_TRUE(threads.waitUntilAllFinished(5s));

  keyboard.press(keycode::a);

  EXPECT_EQ(received().size(), 1u);
  EXPECT_FALSE(windowServer->liveTaps().at(0).enabled);
  EXPECT_TRUE(tap.seen().empty());
}

TEST_F(EventTapsTest, UserInputNoticeDisablesTheTapAndReachesTheCallback) {
  auto tap = harness(TapOptions::defaultTap);
  // As the engine does: on a disabled notice, enable the tap again.
  tap.setBehaviour([&](EventType type, Event* e) {
    if (type == kEventTapDisabledByUserInput) taps->tapEnable(tap.tap(), true);
    return e;
  });
  auto quiet = harness(TapOptions::listenOnly);
  ASSERT_TRUE(tap.start());
  ASSERT_TRUE(quiet.start());

  windowServer->sendUserInputDisable(quiet.tap());
  EXPECT_EQ(quiet.seenTypes(), (std::vector<EventType>{kEventTapDisabledByUserInput}));
  EXPECT_TRUE(tap.seen().empty());

  windowServer->sendUserInputDisable();  // only the enabled tap gets it
  EXPECT_EQ(tap.seenTypes(), (std::vector<EventType>{kEventTapDisabledByUserInput}));
  EXPECT_EQ(quiet.seen().size(), 1u);
  const auto live = windowServer->liveTaps();
  ASSERT_EQ(live.size(), 2u);
  EXPECT_EQ(live[0].enabled + live[1].enabled, 1);  // the one that enabled itself again
}

TEST_F(EventTapsTest, InvalidatedOrDroppedTapIsGoneForGood) {
  auto tap = harness(TapOptions::listenOnly);
  ASSERT_TRUE(tap.start());
  taps->invalidate(tap.tap());
  windowServer->setTapTimeout(5s);  // from here on the callback is in time, even on a busy machine
  taps->tapEnable(tap.tap(), true);
  keyboard.tap(keycode::a);
  EXPECT_TRUE(tap.seen().empty());
  EXPECT_TRUE(windowServer->liveTaps().empty());
  EXPECT_EQ(taps->createRunLoopSource(tap.tap()), nullptr);

  auto dropped = taps->tapCreate(
      TapLocation::session, TapPlacement::headInsert, TapOptions::listenOnly, kKeyMask,
      [](EventType, Event* e, void*) { return e; }, nullptr);
  EXPECT_EQ(windowServer->liveTaps().size(), 1u);
  dropped.reset();
  EXPECT_TRUE(windowServer->liveTaps().empty());
}

TEST_F(EventTapsTest, EventFieldsReadBackThroughTheSeam) {
  const Event event{kEventKeyDown, 38, 0x20102, 1};
  EXPECT_EQ(taps->integerValueField(event, kKeyboardEventKeycode), 38);
  EXPECT_EQ(taps->integerValueField(event, kKeyboardEventAutorepeat), 1);
  EXPECT_EQ(taps->flags(event), 0x20102u);
}

}  // namespace
}  // namespace kestravane::platform::vmac
