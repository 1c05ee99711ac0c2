// Linux's Input Monitoring over stand-in devices: what the access checks answer, and what a tap
// does, when keyboards cannot be opened or there are none.
#include <gtest/gtest.h>

#include <string>

#include "Wayland/EvdevAccessChild.h"
#include "Wayland/EvdevTapRig.h"
#include "Wayland/EvdevTestbed.h"

namespace kestravane {
namespace {

using platform::wayland::DeviceAccess;
using platform::wayland::EvdevEventTaps;
using testing_support::EvdevTapRig;
using testing_support::EvdevTestbed;
using testing_support::inChildWithoutAccess;
using testing_support::kCannotArrange;
using Kind = EvdevTestbed::Kind;

struct GroupCase {
  const char* name;
  bool inGroup;
  DeviceAccess expected;
};

class RefusedTest : public ::testing::TestWithParam<GroupCase> {};

// Outside the `input` group the remedy is to join it; inside it something else refuses.
TEST_P(RefusedTest, KeyboardsThatCannotBeOpenedRefuseInputMonitoringAndTheTapAndSayWhy) {
  const GroupCase& c = GetParam();
  EvdevTestbed testbed;
  const auto keyboard = testbed.add(Kind::keyboard, 1);
  EvdevEventTaps taps;
  ASSERT_TRUE(taps.preflightListenEventAccess()) << "the test's own process may open it";
  EXPECT_EQ(taps.keyboardAccess(), DeviceAccess::granted);
  // A tap that has the keyboard open keeps reading it after the access went (the child has it
  // too, as fork() copies the open device): the checks say so rather than open it again.
  const auto reading = taps.tapCreate(
      {}, {}, {}, testing_support::kKeyEvents,
      [](platform::EventType, platform::Event* event, void*) { return event; }, nullptr);
  ASSERT_TRUE(reading);

  const int status = inChildWithoutAccess(testbed, keyboard, c.inGroup, [&] {
    if (!taps.preflightListenEventAccess()) return 5;
    EvdevEventTaps refused;
    if (refused.preflightListenEventAccess()) return 1;
    if (refused.requestListenEventAccess()) return 2;
    if (refused.keyboardAccess() != c.expected) return 3;
    const auto tap = refused.tapCreate(
        {}, {}, {}, testing_support::kKeyEvents,
        [](platform::EventType, platform::Event* event, void*) { return event; }, nullptr);
    return tap == nullptr ? 0 : 4;
  });
  if (status == kCannotArrange) GTEST_SKIP() << "the child cannot be given these groups here";
  // 1 preflight, 2 request, 3 the reason, 4 the tap, 5 the reading tap's preflight; 10 and 11:
  // the child could not be set up.
  EXPECT_EQ(status, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, RefusedTest,
    ::testing::Values(GroupCase{"OutsideTheInputGroup", false, DeviceAccess::notInInputGroup},
                      GroupCase{"InsideTheInputGroup", true, DeviceAccess::permissionDenied}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EvdevAccess, WithoutKeyboardsNothingIsRefusedAndTheTapReadsTheFirstPluggedIn) {
  EvdevTestbed testbed;
  testbed.add(Kind::mouse, 1);
  EvdevEventTaps taps;
  EXPECT_TRUE(taps.preflightListenEventAccess());
  EXPECT_EQ(taps.keyboardAccess(), DeviceAccess::noKeyboards);

  EvdevTapRig rig(testing_support::kKeyEvents);
  rig.start();
  EXPECT_EQ(rig.taps.openDevices(*rig.tap), 0u);
  const auto keyboard = testbed.add(Kind::keyboard, 2);
  ASSERT_TRUE(rig.awaitDevices(1));
  testbed.key(keyboard, KEY_CAPSLOCK, 1);
  ASSERT_TRUE(rig.awaitEvents(1));
  EXPECT_EQ(rig.events()[0].keyCode, platform::kKeyCodeCapsLock);
}

}  // namespace
}  // namespace kestravane
