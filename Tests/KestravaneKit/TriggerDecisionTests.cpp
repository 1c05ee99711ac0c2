#include "KestravaneKit/TriggerDecision.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kestravane {
namespace {

using platform::EventFlags;
using platform::EventType;

constexpr std::uint64_t ms(std::uint64_t value) {
  return value * 1'000'000u;
}

constexpr EventType kDown = platform::kEventKeyDown;
constexpr EventType kUp = platform::kEventKeyUp;
constexpr EventType kFlags = platform::kEventFlagsChanged;
constexpr EventType kClick = platform::kEventLeftMouseDown;
constexpr EventType kMediaKey = platform::kEventSystemDefined;
constexpr EventType kTimeoutNotice = platform::kEventTapDisabledByTimeout;
constexpr EventType kUserNotice = platform::kEventTapDisabledByUserInput;

constexpr std::int64_t kA = 0;  // the A key
constexpr std::int64_t kShift = 56;
constexpr std::int64_t kLeftCommand = 55;
constexpr EventFlags kFn = platform::kFlagSecondaryFn;
constexpr EventFlags kRightCmd = platform::kFlagCommand | 0x10;
constexpr EventFlags kLeftCmd = platform::kFlagCommand | 0x8;

struct Step {
  EventType type;
  std::int64_t keyCode;
  EventFlags flags;
  std::uint64_t atNanos;
  bool pass;
  bool fire;
};

// Shorthands for the verdict expected of a step.
constexpr bool passes = true, swallowed = false, fires = true, quiet = false;

struct Script {
  std::string name;
  TriggerKind trigger;
  TapSuppress suppress;
  std::int64_t holdTimeoutMs;
  std::vector<Step> steps;
};

Script script(std::string name, TriggerKind trigger, TapSuppress suppress, std::int64_t holdMs,
              std::vector<Step> steps) {
  return Script{std::move(name), trigger, suppress, holdMs, std::move(steps)};
}

void PrintTo(const Script& script, std::ostream* os) {
  *os << script.name;
}

class TriggerDecisionScript : public testing::TestWithParam<Script> {};

TEST_P(TriggerDecisionScript, GivesTheExpectedVerdictForEachEvent) {
  const Script& script = GetParam();
  const TriggerDecision decision(script.trigger, script.suppress,
                                 TriggerDecision::holdTimeoutNanosFor(script.holdTimeoutMs));
  PressState press;
  for (std::size_t i = 0; i < script.steps.size(); ++i) {
    const Step& step = script.steps[i];
    SCOPED_TRACE("step " + std::to_string(i));
    const TriggerVerdict verdict =
        decision.decide(step.type, step.keyCode, step.flags, step.atNanos, press);
    // Only the system's notices that the tap was disabled are marked as such.
    EXPECT_EQ(verdict.pass, step.pass);
    EXPECT_EQ(verdict.fire, step.fire);
    EXPECT_EQ(verdict.tapDisabled, platform::isTapDisabledNotice(step.type));
  }
}

// The engine asks about secure input at each press it starts tracking: the first down report of
// the trigger, not a repeated one, another modifier or the release.
TEST(TriggerDecisionTest, APressBeginsOnlyAtTheTriggersFirstDownReport) {
  const TriggerDecision decision(TriggerKind::rightCommand, TapSuppress::tap, ms(300));
  PressState press;
  const auto began = [&](EventType type, std::int64_t keyCode, EventFlags flags) {
    return decision.decide(type, keyCode, flags, 0, press).pressBegan;
  };
  EXPECT_FALSE(began(kFlags, kLeftCommand, kLeftCmd));
  EXPECT_TRUE(began(kFlags, platform::kKeyCodeRightCommand, kRightCmd));
  EXPECT_FALSE(began(kFlags, platform::kKeyCodeRightCommand, kRightCmd));
  EXPECT_FALSE(began(kDown, kA, kRightCmd));
  EXPECT_FALSE(began(kFlags, platform::kKeyCodeRightCommand, 0));
}

std::string scriptName(const testing::TestParamInfo<Script>& info) {
  return info.param.name;
}

const TriggerKind fn = TriggerKind::fn;
const TriggerKind rightCommand = TriggerKind::rightCommand;
const TriggerKind capsLock = TriggerKind::capsLock;
const TapSuppress tap = TapSuppress::tap;
const TapSuppress none = TapSuppress::none;

INSTANTIATE_TEST_SUITE_P(
    Fn, TriggerDecisionScript,
    testing::Values(
        script("LoneTapFiresAndSwallowsTheRelease", fn, tap, 300,
               {{kFlags, 63, kFn, ms(1000), passes, quiet},
                {kFlags, 63, 0, ms(1100), swallowed, fires}}),
        script("HoldOfExactlyTheLimitFiresOneMoreMillisecondDoesNot", fn, tap, 300,
               {{kFlags, 63, kFn, ms(5), passes, quiet},
                {kFlags, 63, 0, ms(305), swallowed, fires},
                {kFlags, 63, kFn, ms(400), passes, quiet},
                {kFlags, 63, 0, ms(701), passes, quiet}}),
        script("AnotherKeyInBetweenSpoilsOnlyThatPress", fn, tap, 300,
               {{kFlags, 63, kFn, ms(0), passes, quiet},
                {kDown, kA, kFn, ms(10), passes, quiet},
                {kUp, kA, kFn, ms(20), passes, quiet},
                {kFlags, 63, 0, ms(30), passes, quiet},
                {kFlags, 63, kFn, ms(40), passes, quiet},
                {kFlags, 63, 0, ms(50), swallowed, fires}}),
        script("ShiftInBetweenDoesNotSpoilThePress", fn, tap, 300,
               {{kFlags, 63, kFn, ms(0), passes, quiet},
                {kFlags, kShift, kFn | platform::kFlagShift, ms(10), passes, quiet},
                {kFlags, kShift, kFn, ms(20), passes, quiet},
                {kFlags, 63, 0, ms(30), swallowed, fires}}),
        script("RepeatedPressReportNeitherRestartsTheHoldNorFiresTwice", fn, tap, 300,
               {{kFlags, 63, kFn, ms(0), passes, quiet},
                {kFlags, 63, kFn, ms(200), passes, quiet},
                {kFlags, 63, 0, ms(350), passes, quiet},
                {kFlags, 63, kFn, ms(400), passes, quiet},
                {kFlags, 63, kFn, ms(450), passes, quiet},
                {kFlags, 63, 0, ms(500), swallowed, fires},
                {kFlags, 63, 0, ms(510), passes, quiet}}),
        script("ReleaseOfAnUnknownPressPasses", fn, tap, 300,
               {{kFlags, 63, 0, ms(0), passes, quiet},
                {kFlags, 63, kFn, ms(10), passes, quiet},
                {kFlags, 63, 0, ms(20), swallowed, fires}}),
        script("SuppressNoneLetsTheFiringReleasePass", fn, none, 300,
               {{kFlags, 63, kFn, ms(0), passes, quiet}, {kFlags, 63, 0, ms(100), passes, fires}}),
        script("NegativeHoldLimitFiresOnlyWithoutMeasurableHold", fn, tap, -5,
               {{kFlags, 63, kFn, 1000, passes, quiet},
                {kFlags, 63, 0, 1000, swallowed, fires},
                {kFlags, 63, kFn, 2000, passes, quiet},
                {kFlags, 63, 0, 2001, passes, quiet}}),
        script("ClockReadingBeforeThePressWrapsToAnOverlongHold", fn, tap, 300,
               {{kFlags, 63, kFn, ms(50), passes, quiet}, {kFlags, 63, 0, ms(40), passes, quiet}}),
        script("TapDisabledNoticeForgetsThePress", fn, tap, 300,
               {{kFlags, 63, kFn, ms(0), passes, quiet},
                {kTimeoutNotice, 0, 0, ms(10), passes, quiet},
                {kFlags, 63, 0, ms(20), passes, quiet},
                {kFlags, 63, kFn, ms(30), passes, quiet},
                {kFlags, 63, 0, ms(40), swallowed, fires}})),
    scriptName);

INSTANTIATE_TEST_SUITE_P(
    RightCommand, TriggerDecisionScript,
    testing::Values(script("LeftCommandNeverTriggersAndMayStayHeld", rightCommand, tap, 300,
                           {{kFlags, kLeftCommand, kLeftCmd, ms(0), passes, quiet},
                            {kFlags, 54, kLeftCmd | 0x10, ms(10), passes, quiet},
                            {kFlags, 54, kLeftCmd, ms(60), swallowed, fires},
                            {kFlags, kLeftCommand, 0, ms(70), passes, quiet}}),
                    script("HoldOfExactlyTheLimitFiresOneMoreMillisecondDoesNot", rightCommand,
                           none, 300,
                           {{kFlags, 54, kRightCmd, ms(0), passes, quiet},
                            {kFlags, 54, 0, ms(300), passes, fires},
                            {kFlags, 54, kRightCmd, ms(1000), passes, quiet},
                            {kFlags, 54, 0, ms(1301), passes, quiet}}),
                    script("UserInputNoticeForgetsThePress", rightCommand, tap, 300,
                           {{kFlags, 54, kRightCmd, ms(0), passes, quiet},
                            {kUserNotice, 0, 0, ms(10), passes, quiet},
                            {kFlags, 54, 0, ms(20), passes, quiet}})),
    scriptName);

INSTANTIATE_TEST_SUITE_P(
    CapsLock, TriggerDecisionScript,
    testing::Values(script("EveryCapsLockEventFiresAndIsSwallowed", capsLock, tap, 300,
                           {{kFlags, 57, platform::kFlagAlphaShift, ms(0), swallowed, fires},
                            {kFlags, 57, 0, ms(5000), swallowed, fires}}),
                    script("SwallowedUnderSuppressNoneAndWhileAnotherKeyIsHeld", capsLock, none,
                           300,
                           {{kDown, kA, 0, ms(0), passes, quiet},
                            {kFlags, 57, platform::kFlagAlphaShift, ms(10), swallowed, fires},
                            {kUp, kA, platform::kFlagAlphaShift, ms(20), passes, quiet}}),
                    script("OtherEventsPass", capsLock, tap, 300,
                           {{kUserNotice, 0, 0, ms(0), passes, quiet},
                            {kClick, 0, 0, ms(0), passes, quiet},
                            {kMediaKey, 0, 0, ms(0), passes, quiet},
                            {kDown, 57, 0, ms(0), passes, quiet},
                            {kFlags, 63, kFn, ms(0), passes, quiet},
                            {kFlags, kShift, platform::kFlagShift, ms(20), passes, quiet}})),
    scriptName);

TEST(TriggerDecision, ReadsTheClockOnlyForTheTriggersOwnFlagsChangedEvents) {
  const TriggerDecision fnDecision(fn, tap, ms(300));
  EXPECT_TRUE(fnDecision.needsClock(kFlags, 63));
  EXPECT_FALSE(fnDecision.needsClock(kFlags, kShift));
  EXPECT_FALSE(fnDecision.needsClock(kDown, 63));
  EXPECT_FALSE(fnDecision.needsClock(kUp, kA));
  EXPECT_FALSE(fnDecision.needsClock(kTimeoutNotice, 63));

  const TriggerDecision rightDecision(rightCommand, tap, ms(300));
  EXPECT_TRUE(rightDecision.needsClock(kFlags, 54));
  EXPECT_FALSE(rightDecision.needsClock(kFlags, kLeftCommand));

  const TriggerDecision capsDecision(capsLock, tap, ms(300));
  EXPECT_FALSE(capsDecision.needsClock(kFlags, 57));
}

TEST(TriggerDecision, HoldLimitIsNonNegativeMilliseconds) {
  EXPECT_EQ(TriggerDecision::holdTimeoutNanosFor(300), 300'000'000u);
  EXPECT_EQ(TriggerDecision::holdTimeoutNanosFor(0), 0u);
  EXPECT_EQ(TriggerDecision::holdTimeoutNanosFor(-5), 0u);
}

}  // namespace
}  // namespace kestravane
