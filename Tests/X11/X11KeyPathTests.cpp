// The key path on a real X server: the program's engine, switch controller and switcher over the
// X11 services switch the keyboard group of an Xvfb, while a focused window records what the
// user's typing gives.
#include <gtest/gtest.h>

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <ostream>
#include <string>
#include <vector>

#include "X11/X11Rig.h"

namespace kestravane {
namespace {

using platform::x11::kXKeycodeCapsLock;
using platform::x11::kXKeycodeMenu;
using platform::x11::kXKeycodeSuperRight;
using testing_support::kKeyA;
using testing_support::kKeyB;
using testing_support::kKeyL;
using KeyPathTest = testing_support::X11Test;

TEST_F(KeyPathTest, CapsLockTapsCycleTheLayoutsAndNeverTypeCapitals) {
  startEngine(TriggerKind::capsLock);
  EXPECT_EQ(type(kKeyA), "a");
  struct Step {
    int group;
    const char* layout;
    const char* typed;
  };
  const std::vector<Step> steps{{1, "ru", "ф"}, {2, "de", "a"}, {0, "us", "a"}};
  std::size_t count = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.layout);
    keyboard->tap(kXKeycodeCapsLock);
    const auto result = awaitSwitch(++count);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->requested, step.layout);
    EXPECT_EQ(result->actual, step.layout);
    EXPECT_EQ(probe->group(), step.group);
    EXPECT_FALSE(probe->capsLocked());
    EXPECT_EQ(type(kKeyA), step.typed);
  }
}

// A lone tap switches; the same key used with another key does neither, and the other key (with
// the trigger's modifier, if it is one) reaches the window.
struct TriggerCase {
  const char* name;
  TriggerKind trigger;
  unsigned triggerKey;
  unsigned typedKey;
  const char* typed;
  unsigned stateHeld;  // the modifier bits the typed key carries
};

class LoneTapTest : public testing_support::X11Test,
                    public ::testing::WithParamInterface<TriggerCase> {};

TEST_P(LoneTapTest, OnlyALoneTapSwitchesAndKeysTypedMeanwhileReachTheWindow) {
  const TriggerCase& c = GetParam();
  startEngine(c.trigger);

  keyboard->press(c.triggerKey);
  EXPECT_EQ(type(c.typedKey), c.typed);
  keyboard->release(c.triggerKey);
  ASSERT_FALSE(window->presses.empty());
  EXPECT_EQ(window->presses.back().state & c.stateHeld, c.stateHeld);

  // A lone tap after it switches once: the chord before it had not fired, or this would be the
  // second switch.
  keyboard->tap(c.triggerKey);
  const auto result = awaitSwitch(1);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->actual, "ru");
  EXPECT_EQ(probe->group(), 1);
  EXPECT_EQ(type(kKeyA), "ф");
  EXPECT_EQ(switches.all().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Triggers, LoneTapTest,
                         ::testing::Values(TriggerCase{"RightSuperAndL", TriggerKind::rightCommand,
                                                       kXKeycodeSuperRight, kKeyL, "l", Mod4Mask},
                                           TriggerCase{"MenuAndB", TriggerKind::fn, kXKeycodeMenu,
                                                       kKeyB, "b", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyPathTest, TheMenuKeyActsAsFnAndNeverReachesTheWindowAsAMenuKey) {
  startEngine(TriggerKind::fn);
  EXPECT_EQ(probe->firstKeysym(kXKeycodeMenu), static_cast<KeySym>(NoSymbol));
  keyboard->tap(kXKeycodeMenu);
  ASSERT_TRUE(awaitSwitch(1));
  EXPECT_EQ(probe->group(), 1);
  // The letter typed afterwards has arrived, so anything the Menu key sent has too.
  EXPECT_EQ(type(kKeyA), "ф");
  for (const auto& press : window->presses) {
    EXPECT_NE(press.keysym, static_cast<KeySym>(XK_Menu)) << "key code " << press.keycode;
  }
}

// A click or a media key while the trigger is held spoils the tap, as on a Mac: its release
// switches nothing, and the lone tap after it is the first switch.
struct MeanwhileCase {
  const char* name;
  TriggerKind trigger;
  unsigned triggerKey;
  unsigned button;    // the pointer button clicked meanwhile, or 0
  KeySym mediaKey;    // otherwise the media key tapped meanwhile
  std::size_t taken;  // the events the engine's tap takes from the press to the release
};

class MeanwhileTest : public testing_support::X11Test,
                      public ::testing::WithParamInterface<MeanwhileCase> {};

TEST_P(MeanwhileTest, AClickOrAMediaKeyWhileTheTriggerIsHeldDoesNotSwitch) {
  const MeanwhileCase& c = GetParam();
  startEngine(c.trigger);
  const unsigned mediaKeycode = c.button == 0 ? probe->keycodeOf(c.mediaKey) : 0;
  ASSERT_TRUE(c.button != 0 || mediaKeycode != 0) << "the keymap has no such media key";

  const std::size_t before = taps->callbacksDone();
  keyboard->press(c.triggerKey);
  if (c.button != 0) {
    keyboard->click(c.button);
  } else {
    keyboard->tap(mediaKeycode);
  }
  keyboard->release(c.triggerKey);
  ASSERT_TRUE(pumpUntil([&] { return taps->callbacksDone() >= before + c.taken; }));
  ASSERT_TRUE(platform->dispatch().drainSerialQueues(testing_support::kDefaultWait));
  EXPECT_TRUE(switches.all().empty());
  EXPECT_EQ(probe->group(), 0);

  keyboard->tap(c.triggerKey);
  const auto result = awaitSwitch(1);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->actual, "ru");
  EXPECT_EQ(probe->group(), 1);
}

INSTANTIATE_TEST_SUITE_P(Spoilers, MeanwhileTest,
                         ::testing::Values(
                             // The engine asks for mouse-downs only: press, mouse-down, release.
                             MeanwhileCase{"RightSuperAndClick", TriggerKind::rightCommand,
                                           kXKeycodeSuperRight, 1, NoSymbol, 3},
                             MeanwhileCase{"RightSuperAndRightClick", TriggerKind::rightCommand,
                                           kXKeycodeSuperRight, 3, NoSymbol, 3},
                             MeanwhileCase{"MenuAndMiddleClick", TriggerKind::fn, kXKeycodeMenu, 2,
                                           NoSymbol, 3},
                             // A media key is a system-defined event on press and on release.
                             MeanwhileCase{"MenuAndBrightnessUp", TriggerKind::fn, kXKeycodeMenu, 0,
                                           XF86XK_MonBrightnessUp, 4},
                             MeanwhileCase{"RightSuperAndVolumeDown", TriggerKind::rightCommand,
                                           kXKeycodeSuperRight, 0, XF86XK_AudioLowerVolume, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

// Scrolling is no click on a Mac either: it neither spoils a tap nor makes one.
TEST_F(KeyPathTest, ClicksAndScrollsBetweenTapsChangeNothingAndAScrollSpoilsNoTap) {
  startEngine(TriggerKind::rightCommand);
  keyboard->tap(kXKeycodeSuperRight);
  ASSERT_TRUE(awaitSwitch(1));
  for (const unsigned button : {1u, 3u, 4u, 5u}) keyboard->click(button);
  keyboard->tap(kXKeycodeSuperRight);
  const auto result = awaitSwitch(2);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->actual, "de");
  EXPECT_EQ(probe->group(), 2);

  keyboard->press(kXKeycodeSuperRight);
  keyboard->click(4);
  keyboard->release(kXKeycodeSuperRight);
  const auto scrolled = awaitSwitch(3);
  ASSERT_TRUE(scrolled);
  EXPECT_EQ(scrolled->actual, "us");
}

struct HoldCase {
  std::uint64_t heldMs;
  bool switches;
};

class HoldTest : public testing_support::X11Test, public ::testing::WithParamInterface<HoldCase> {};

TEST_P(HoldTest, AHoldLongerThan300MsDoesNotSwitch) {
  startEngine(TriggerKind::fn);
  holdTrigger(kXKeycodeMenu, GetParam().heldMs);
  // A lone tap after it tells, by its number, whether the hold switched.
  keyboard->tap(kXKeycodeMenu);
  const std::size_t expected = GetParam().switches ? 2 : 1;
  ASSERT_TRUE(awaitSwitch(expected));
  EXPECT_EQ(probe->group(), static_cast<int>(expected));
  EXPECT_EQ(switches.all().size(), expected);
}

INSTANTIATE_TEST_SUITE_P(Holds, HoldTest,
                         ::testing::Values(HoldCase{300, true}, HoldCase{301, false}),
                         [](const auto& info) { return std::to_string(info.param.heldMs) + "ms"; });

TEST_F(KeyPathTest, AKeymapChangedUnderneathIsFollowedAtTheNextSwitch) {
  startEngine(TriggerKind::capsLock);
  ASSERT_TRUE(server->setLayouts("us,de"));
  // The new keymap gave Caps Lock its lock back; Plivex takes it away again.
  ASSERT_TRUE(pumpUntil(
      [&] { return probe->firstKeysym(kXKeycodeCapsLock) == static_cast<KeySym>(NoSymbol); }));
  EXPECT_EQ(InputSourceSwitcher(*services()).enabledSelectableSourceIDs(),
            (std::vector<std::string>{"us", "de"}));

  keyboard->tap(kXKeycodeCapsLock);
  auto result = awaitSwitch(1);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->actual, "de");
  EXPECT_EQ(type(kKeyA), "a");
  EXPECT_FALSE(probe->capsLocked());
  keyboard->tap(kXKeycodeCapsLock);
  result = awaitSwitch(2);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->actual, "us");
}

// The tap thread selects the layout after the group its connection was last told of, without
// asking the server: a change made just before the tap (XKB's own switch, another program's) is
// gone on from, and taps that come faster than the server's notifications switch once each.
struct AheadCase {
  const char* name;
  enum class Before { nothing, xkbSwitch, otherProgram } before;
  int taps;
  std::vector<std::string> requested;
  int group;  // at the end
};

void PrintTo(const AheadCase& c, std::ostream* out) {
  *out << c.name;
}

class TapThreadSelectionTest : public testing_support::X11Test,
                               public ::testing::WithParamInterface<AheadCase> {};

TEST_P(TapThreadSelectionTest, EachTapGoesOnFromTheGroupAsItWasAtThatTap) {
  const AheadCase& c = GetParam();
  ASSERT_TRUE(server->setLayouts("us,ru,de", "grp:caps_toggle"));
  startEngine(TriggerKind::fn);
  if (c.before == AheadCase::Before::xkbSwitch) keyboard->tap(kXKeycodeCapsLock);
  if (c.before == AheadCase::Before::otherProgram) probe->lockGroup(2);
  for (int tap = 0; tap < c.taps; ++tap) keyboard->tap(kXKeycodeMenu);

  ASSERT_TRUE(awaitSwitch(c.requested.size()));
  std::vector<std::string> requested;
  for (const auto& result : switches.all()) requested.push_back(result.requested.value_or("-"));
  EXPECT_EQ(requested, c.requested);
  EXPECT_EQ(probe->group(), c.group);
  EXPECT_EQ(taps->layoutsSelected(), c.requested.size()) << "selected on the tap thread";
  EXPECT_EQ(switches.all().back().actual, c.requested.back());
}

INSTANTIATE_TEST_SUITE_P(
    Before, TapThreadSelectionTest,
    ::testing::Values(
        AheadCase{"XkbsOwnSwitch", AheadCase::Before::xkbSwitch, 1, {"de"}, 2},
        AheadCase{"AnotherProgramsLock", AheadCase::Before::otherProgram, 1, {"us"}, 0},
        AheadCase{"ThreeTapsAtOnce", AheadCase::Before::nothing, 3, {"ru", "de", "us"}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyPathTest, StoppingOrChangingTheTriggerGivesTheKeyItsActionBack) {
  startEngine(TriggerKind::capsLock);
  keyboard->tap(kXKeycodeCapsLock);
  ASSERT_TRUE(awaitSwitch(1));
  EXPECT_FALSE(probe->capsLocked());

  startEngine(TriggerKind::fn);  // a trigger change: the old engine stops, a new one starts
  EXPECT_EQ(probe->firstKeysym(kXKeycodeCapsLock), static_cast<KeySym>(XK_Caps_Lock));
  EXPECT_EQ(probe->firstKeysym(kXKeycodeMenu), static_cast<KeySym>(NoSymbol));

  stopEngine();
  EXPECT_EQ(probe->firstKeysym(kXKeycodeMenu), static_cast<KeySym>(XK_Menu));
  keyboard->tap(kXKeycodeCapsLock);
  EXPECT_TRUE(probe->capsLocked());
  EXPECT_EQ(type(kKeyA), "Ф") << "Caps Lock locks capitals again, in the layout it left";
  EXPECT_FALSE(std::filesystem::exists(platform->triggerKeyActions().recordFile()));
}

}  // namespace
}  // namespace kestravane
