// The Wayland backend's taps over stand-in evdev devices: what a key, a media key and a click
// become, auto-repeat, the devices' times, hot-plug and a kernel's dropped events.
#include <gtest/gtest.h>
#include <time.h>

#include <string>
#include <vector>

#include "Wayland/EvdevTapRig.h"
#include "Wayland/EvdevTestbed.h"

namespace kestravane {
namespace {

using namespace platform;
using testing_support::EvdevTapRig;
using testing_support::EvdevTestbed;
using testing_support::SeenEvent;
using Kind = EvdevTestbed::Kind;

constexpr std::int64_t kMacEscape = 53;

struct Expected {
  EventType type;
  std::int64_t keyCodeOrButton;
  EventFlags flagsSet;    // all of these are in the event's flags
  EventFlags flagsUnset;  // none of these is
};

struct KeyCase {
  const char* name;
  Kind device;
  std::uint16_t code;
  std::vector<Expected> events;  // of a press and a release
};

class KeyTest : public ::testing::TestWithParam<KeyCase> {};

// A press and a release of `code`, then Escape as a marker: everything before the marker's event
// is what the press and the release gave.
TEST_P(KeyTest, APressAndReleaseReachTheCallbackAsAMacReportsThem) {
  const KeyCase& c = GetParam();
  EvdevTestbed testbed;
  const auto keyboard = testbed.add(Kind::keyboard, 1);
  const auto mouse = testbed.add(Kind::mouse, 2);
  EvdevTapRig rig;
  rig.start();
  ASSERT_TRUE(rig.awaitDevices(2));

  const auto& device = c.device == Kind::keyboard ? keyboard : mouse;
  testbed.key(device, c.code, 1);
  testbed.key(device, c.code, 0);
  // The devices are read in no set order: the marker goes out once the mouse's events are in.
  ASSERT_TRUE(rig.awaitEvents(c.events.size()));
  testbed.key(keyboard, KEY_ESC, 1);
  ASSERT_TRUE(rig.awaitEvents(c.events.size() + 1));
  const auto seen = rig.events();
  ASSERT_EQ(seen.size(), c.events.size() + 1);
  for (std::size_t i = 0; i < c.events.size(); ++i) {
    SCOPED_TRACE(i);
    const Expected& expected = c.events[i];
    EXPECT_EQ(seen[i].type, expected.type);
    const bool mouseEvent = expected.type != kEventKeyDown && expected.type != kEventKeyUp &&
                            expected.type != kEventFlagsChanged &&
                            expected.type != kEventSystemDefined;
    EXPECT_EQ(mouseEvent ? seen[i].button : seen[i].keyCode, expected.keyCodeOrButton);
    EXPECT_EQ(seen[i].flags & expected.flagsSet, expected.flagsSet);
    EXPECT_EQ(seen[i].flags & expected.flagsUnset, 0u);
  }
  EXPECT_EQ(seen.back().type, kEventKeyDown);
  EXPECT_EQ(seen.back().keyCode, kMacEscape);
}

constexpr EventFlags kRightCommand = kFlagCommand | kFlagDeviceRightCommand;

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyTest,
    ::testing::Values(
        // Caps Lock: one event, carrying the lock its press leaves; the release is silent.
        KeyCase{"CapsLock",
                Kind::keyboard,
                KEY_CAPSLOCK,
                {{kEventFlagsChanged, kKeyCodeCapsLock, kFlagAlphaShift, 0}}},
        KeyCase{"RightSuperIsRightCommand",
                Kind::keyboard,
                KEY_RIGHTMETA,
                {{kEventFlagsChanged, kKeyCodeRightCommand, kRightCommand, 0},
                 {kEventFlagsChanged, kKeyCodeRightCommand, 0, kRightCommand}}},
        KeyCase{"MenuIsFn",
                Kind::keyboard,
                KEY_COMPOSE,
                {{kEventFlagsChanged, kKeyCodeFn, kFlagSecondaryFn, 0},
                 {kEventFlagsChanged, kKeyCodeFn, 0, kFlagSecondaryFn}}},
        KeyCase{"Letter",
                Kind::keyboard,
                KEY_A,
                {{kEventKeyDown, 0, 0, kFlagShift}, {kEventKeyUp, 0, 0, kFlagShift}}},
        KeyCase{"VolumeUpIsAMediaKey",
                Kind::keyboard,
                KEY_VOLUMEUP,
                {{kEventSystemDefined, 0, 0, 0}, {kEventSystemDefined, 0, 0, 0}}},
        KeyCase{"LeftButton",
                Kind::mouse,
                BTN_LEFT,
                {{kEventLeftMouseDown, 0, 0, 0}, {kEventLeftMouseUp, 0, 0, 0}}},
        KeyCase{"RightButton",
                Kind::mouse,
                BTN_RIGHT,
                {{kEventRightMouseDown, 1, 0, 0}, {kEventRightMouseUp, 1, 0, 0}}},
        KeyCase{"MiddleButton",
                Kind::mouse,
                BTN_MIDDLE,
                {{kEventOtherMouseDown, 2, 0, 0}, {kEventOtherMouseUp, 2, 0, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EvdevEventTaps, AutoRepeatAddsNoPressOfATriggerAndMarksAnOrdinaryKeysRepeats) {
  EvdevTestbed testbed;
  const auto keyboard = testbed.add(Kind::keyboard, 1);
  EvdevTapRig rig;
  rig.start();
  ASSERT_TRUE(rig.awaitDevices(1));

  for (const std::uint16_t code : {std::uint16_t{KEY_COMPOSE}, std::uint16_t{KEY_A}}) {
    testbed.key(keyboard, code, 1);
    testbed.key(keyboard, code, 2);
    testbed.key(keyboard, code, 2);
    testbed.key(keyboard, code, 0);
  }
  testbed.key(keyboard, KEY_ESC, 1);
  ASSERT_TRUE(rig.awaitEvents(7));
  const auto seen = rig.events();
  ASSERT_EQ(seen.size(), 7u);
  const std::vector<std::pair<EventType, std::int64_t>> expected{
      {kEventFlagsChanged, 0}, {kEventFlagsChanged, 0}, {kEventKeyDown, 0}, {kEventKeyDown, 1},
      {kEventKeyDown, 1},      {kEventKeyUp, 0},        {kEventKeyDown, 0}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(seen[i].type, expected[i].first);
    EXPECT_EQ(seen[i].autorepeat, expected[i].second);
  }
}

std::int64_t nanosNow(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// umockdev cannot take EVIOCSCLOCKID, so the stand-in's events carry real-time stamps, as a
// kernel's do when it refuses the monotonic clock: the tap puts them on the monotonic clock.
TEST(EvdevEventTaps, ARealTimeStampIsMovedOntoTheMonotonicClock) {
  EvdevTestbed testbed;
  const auto keyboard = testbed.add(Kind::keyboard, 1);
  EvdevTapRig rig;
  rig.start();
  ASSERT_TRUE(rig.awaitDevices(1));

  const std::int64_t stamp = nanosNow(CLOCK_REALTIME) - 250'000'000;  // 250 ms ago
  testbed.send(keyboard, {EvdevTestbed::event(EV_KEY, KEY_A, 1, stamp / 1'000'000'000,
                                              (stamp % 1'000'000'000) / 1000),
                          EvdevTestbed::event(EV_SYN, SYN_REPORT, 0)});
  ASSERT_TRUE(rig.awaitEvents(1));
  const std::int64_t offset = nanosNow(CLOCK_MONOTONIC) - nanosNow(CLOCK_REALTIME);
  const auto expected = static_cast<double>(stamp / 1000 * 1000 + offset);
  EXPECT_NEAR(static_cast<double>(rig.events()[0].timestampNanos), expected, 5e6);
}

TEST(EvdevEventTaps, KeyboardsPluggedInAreReadAndOnesPulledOutLetTheirKeysGo) {
  EvdevTestbed testbed;
  const auto first = testbed.add(Kind::keyboard, 1);
  EvdevTapRig rig;
  rig.start();
  ASSERT_TRUE(rig.awaitDevices(1));

  testbed.key(first, KEY_LEFTSHIFT, 1);
  ASSERT_TRUE(rig.awaitEvents(1));
  const auto second = testbed.add(Kind::keyboard, 2);
  ASSERT_TRUE(rig.awaitDevices(2));
  testbed.key(second, KEY_A, 1);
  ASSERT_TRUE(rig.awaitEvents(2));
  EXPECT_EQ(rig.events()[1].type, kEventKeyDown);
  EXPECT_NE(rig.events()[1].flags & kFlagShift, 0u) << "Shift is held on the first keyboard";

  testbed.remove(first);
  ASSERT_TRUE(rig.awaitDevices(1));
  testbed.key(second, KEY_B, 1);
  ASSERT_TRUE(rig.awaitEvents(3));
  const auto seen = rig.events();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2].type, kEventKeyDown);
  EXPECT_EQ(seen[2].flags & kFlagShift, 0u) << "the Shift of a keyboard pulled out stays down";
}

TEST(EvdevEventTaps, PointersAreOpenedOnlyForATapThatAsksForClicks) {
  EvdevTestbed testbed;
  testbed.add(Kind::keyboard, 1);
  testbed.add(Kind::mouse, 2);
  EvdevTapRig keysOnly(testing_support::kKeyEvents);
  EvdevTapRig withClicks(testing_support::kKeyEvents | testing_support::kMouseEvents);
  ASSERT_NE(keysOnly.tap, nullptr);
  ASSERT_NE(withClicks.tap, nullptr);
  EXPECT_EQ(keysOnly.taps.openDevices(*keysOnly.tap), 1u);
  EXPECT_EQ(withClicks.taps.openDevices(*withClicks.tap), 2u);
}

// After a drop the tap is told that events were lost, and libevdev's resynchronisation (the
// stand-in reports no key down) lets go of the Shift held before it.
TEST(EvdevEventTaps, DroppedEventsAreAnnouncedAndTheKeysHeldResynchronised) {
  EvdevTestbed testbed;
  const auto keyboard = testbed.add(Kind::keyboard, 1);
  EvdevTapRig rig;
  rig.start();
  ASSERT_TRUE(rig.awaitDevices(1));

  testbed.key(keyboard, KEY_LEFTSHIFT, 1);
  ASSERT_TRUE(rig.awaitEvents(1));
  testbed.send(keyboard, {EvdevTestbed::event(EV_SYN, SYN_DROPPED, 0)});
  ASSERT_TRUE(rig.awaitEvents(2));
  EXPECT_EQ(rig.events()[1].type, kEventTapDisabledByTimeout);
  testbed.key(keyboard, KEY_A, 1);
  ASSERT_TRUE(rig.awaitEvents(3));
  const auto seen = rig.events();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2].type, kEventKeyDown);
  EXPECT_EQ(seen[2].flags & kFlagShift, 0u);
  EXPECT_EQ(rig.taps.openDevices(*rig.tap), 1u);
}

}  // namespace
}  // namespace kestravane
