// What the window server keeps of what it delivered, and the time a late delivery carries to
// the taps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "Platform/TapHarness.h"
#include "Platform/Virtual/EventTimeClock.h"
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane::platform::vmac {
namespace {

using ::testing::ElementsAre;

Event keyDown(std::int64_t keyCode) {
  return Event{kEventKeyDown, keyCode, kFlagNonCoalesced, 0};
}

// A long session keeps only the newest events, however many were typed.
TEST(WindowServerTest, TheHistoryOfDeliveredEventsIsBounded) {
  VirtualMac mac;
  auto& server = mac.windowServer();
  const std::size_t limit = WindowServer::kReceivedHistoryLimit;
  std::uint64_t cursor = 0;
  for (std::size_t i = 0; i < 3 * limit; ++i) server.post(keyDown(static_cast<std::int64_t>(i)));

  const auto kept = server.receivedEvents();
  ASSERT_EQ(kept.size(), limit);
  EXPECT_EQ(kept.front(), keyDown(static_cast<std::int64_t>(2 * limit)));
  EXPECT_EQ(kept.back(), keyDown(static_cast<std::int64_t>(3 * limit - 1)));
  EXPECT_EQ(server.receivedCount(), 3 * limit);

  // Reading on from where a reader stopped: what fell out of the history is skipped.
  EXPECT_EQ(server.receivedEventsSince(cursor), kept);
  EXPECT_EQ(cursor, 3 * limit);
  server.post(keyDown(1));
  server.post(keyDown(2));
  EXPECT_THAT(server.receivedEventsSince(cursor), ElementsAre(keyDown(1), keyDown(2)));
  EXPECT_TRUE(server.receivedEventsSince(cursor).empty());

  server.clearReceivedEvents();
  EXPECT_TRUE(server.receivedEvents().empty());
  server.post(keyDown(3));
  EXPECT_THAT(server.receivedEventsSince(cursor), ElementsAre(keyDown(3)));
}

// A key pressed and let go 100 ms apart, delivered 400 ms late: the tap's callback reads the
// times the key went down and up, not the time of the late delivery.
TEST(WindowServerTest, ATapCallbackReadsTheTimeAnEventHappened) {
  VirtualMac mac;
  mac.grantAllPermissions();
  const auto& services = *mac.services();
  std::mutex mutex;
  std::vector<std::uint64_t> readings;
  testing::TapHarness tap(*services.eventTaps, *services.runLoops, *services.threads,
                          TapOptions::listenOnly, eventMaskBit(kEventFlagsChanged));
  tap.setBehaviour([&](EventType, Event* event) {
    std::lock_guard lock(mutex);
    readings.push_back(services.clock->uptimeNanos());
    return event;
  });
  ASSERT_TRUE(tap.start());

  mac.clock().set(1'000'000'000);
  mac.keyboard().press(keycode::function, 1'000'000'000);
  mac.clock().advanceMillis(500);  // the press was handled on time, the release 400 ms late
  mac.keyboard().release(keycode::function, 1'100'000'000);
  mac.keyboard().press(keycode::shift);  // no time given: delivered as it happens
  EXPECT_EQ(services.clock->uptimeNanos(), 1'500'000'000u) << "outside a callback: the clock";
  tap.stop();
  std::lock_guard lock(mutex);
  EXPECT_THAT(readings, ElementsAre(1'000'000'000u, 1'100'000'000u, 1'500'000'000u));
}

}  // namespace
}  // namespace kestravane::platform::vmac
