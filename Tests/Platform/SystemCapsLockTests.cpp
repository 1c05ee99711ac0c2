// What macOS itself does with the Caps Lock key, below every tap: the HID system's lock state,
// which the application in front types by, and the switching to and from ABC that System
// Settings can turn on.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Platform/Virtual/VirtualMac.h"

namespace kestravane::platform::vmac {
namespace {

constexpr const char* kUS = "com.apple.keylayout.US";
constexpr const char* kRussian = "com.apple.keylayout.Russian";
constexpr const char* kGerman = "com.apple.keylayout.German";
// Longer than the keyboard's Caps Lock delay, so that a press made with the lock off counts.
constexpr std::uint64_t kPastDelayMs = Keyboard::kCapsLockDelayMs + 5;

TEST(SystemCapsLockTest, TheHIDSystemSetsTheLockTheKeyboardTypesByButReadsItAsOff) {
  VirtualMac mac;
  mac.preferences().setRomanSwitchState(0);  // the key switches no input source
  HIDSystem& hid = *mac.services()->hidSystem;
  EXPECT_EQ(hid.modifierLockState(ModifierLock::capsLock), false);

  mac.holdKey(keycode::capsLock, kPastDelayMs);
  mac.keyboard().tap(keycode::a);
  EXPECT_TRUE(mac.keyboard().capsLockOn());
  EXPECT_EQ(hid.modifierLockState(ModifierLock::capsLock), false) << "as macOS answers";
  EXPECT_TRUE(hid.setModifierLockState(ModifierLock::capsLock, false));
  mac.keyboard().tap(keycode::a);
  EXPECT_EQ(mac.foregroundText().text(), "Aa");

  mac.hidSystem().setUnreachable(true);
  EXPECT_EQ(hid.modifierLockState(ModifierLock::capsLock), std::nullopt);
  EXPECT_FALSE(hid.setModifierLockState(ModifierLock::capsLock, true));
  EXPECT_FALSE(mac.keyboard().capsLockOn());
  EXPECT_EQ(mac.hidSystem().setCount(), 2u);
}

// Apple's keyboard filter holds a Caps Lock press back while the lock is off: shorter than the
// delay it vanishes; longer, it arrives as if made the delay after the press.
TEST(SystemCapsLockTest, APressWithTheLockOffCountsOnlyPastTheDelayUnlessItIsLifted) {
  struct Case {
    const char* name;
    std::optional<std::int64_t> override;
    std::uint64_t heldMs;
    bool counts;
  };
  const std::vector<Case> cases{
      {"74 ms, the filter's delay", std::nullopt, 74, false},
      {"75 ms, the filter's delay", std::nullopt, 75, true},
      {"0 ms, lifted", std::int64_t{0}, 0, true},
      {"20 ms, 30 ms override", std::int64_t{30}, 20, false},
      {"0 ms, negative override", std::int64_t{-1}, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualMac mac;
    mac.preferences().setRomanSwitchState(0);
    if (c.override) {
      mac.hidSystem().setCapsLockDelayOverride(VirtualHIDSystem::kBuiltInKeyboardId, c.override);
    }
    mac.holdKey(keycode::capsLock, c.heldMs);
    EXPECT_EQ(mac.keyboard().capsLockOn(), c.counts);
    EXPECT_EQ(mac.windowServer().receivedCount(), c.counts ? 1u : 0u);
    // With the lock on, the press that turns it off is not held back.
    if (c.counts) {
      mac.keyboard().tap(keycode::capsLock);
      EXPECT_FALSE(mac.keyboard().capsLockOn());
    }
  }
}

// A press held past the delay arrives with the next thing the keyboard does, the system's own
// handling of it included (here: the switch to and from ABC).
TEST(SystemCapsLockTest, AHeldBackPressArrivesWithTheNextKeyPastTheDelay) {
  VirtualMac mac;
  mac.keyboard().press(keycode::capsLock);
  mac.clock().advanceMillis(kPastDelayMs);
  mac.keyboard().press(keycode::a);
  EXPECT_TRUE(mac.keyboard().capsLockOn());
  EXPECT_EQ(mac.inputSources().currentSourceID(), kRussian);
}

TEST(SystemCapsLockTest, AKeyboardPluggedInIsListedAndAnnouncedOnTheMainQueue) {
  VirtualMac mac;
  HIDSystem& hid = *mac.services()->hidSystem;
  int announced = 0;
  hid.setKeyboardsAttachedObserver([&] { ++announced; });
  mac.hidSystem().attachKeyboard(7, 30);
  EXPECT_EQ(announced, 0) << "not before the main queue runs";
  mac.dispatch().runPending();
  EXPECT_EQ(announced, 1);
  EXPECT_EQ(hid.keyboardServices(),
            (std::vector<KeyboardService>{{VirtualHIDSystem::kBuiltInKeyboardId, std::nullopt},
                                          {7, 30}}));
  mac.hidSystem().setDelayOverrideRefused(true);
  EXPECT_FALSE(hid.setCapsLockDelayOverride(7, 0));
  EXPECT_EQ(mac.hidSystem().capsLockDelayOverride(7), 30);
}

TEST(SystemCapsLockTest, TheForegroundApplicationTypesThroughTheLayoutCurrentOnArrival) {
  VirtualMac mac;
  mac.keyboard().tap(keycode::a);
  mac.inputSources().setCurrentSource(kRussian);
  mac.keyboard().tap(keycode::a);
  mac.keyboard().press(keycode::shift);
  mac.keyboard().tap(keycode::a);
  mac.keyboard().release(keycode::shift);
  mac.keyboard().tap(keycode::function);  // modifiers type nothing
  EXPECT_EQ(mac.foregroundText().text(), "aфФ");
  mac.foregroundText().clear();
  EXPECT_EQ(mac.foregroundText().text(), "");
}

// A Mac ships with "Use the Caps Lock key to switch to and from ABC" on: a preference never
// written counts as on, and so does any value but a zero.
TEST(SystemCapsLockTest, EachPressSwitchesToAndFromABCWhileThePreferenceSaysSo) {
  struct Case {
    const char* name;
    std::optional<PropertyValue> stored;
    bool switches;
  };
  const std::vector<Case> cases{
      {"absent", std::nullopt, true},
      {"1", PropertyValue(std::int64_t{1}), true},
      {"0", PropertyValue(std::int64_t{0}), false},
      {"true", PropertyValue(true), true},
      {"false", PropertyValue(false), false},
      {"a string", PropertyValue(std::string("0")), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VirtualMac mac;
    if (c.stored)
      mac.preferences().writeFromOtherProcess(kGlobalDomain, kRomanSwitchStateKey, *c.stored);
    EXPECT_EQ(mac.preferences().romanSwitchOn(), c.switches);

    mac.holdKey(keycode::capsLock, kPastDelayMs);
    EXPECT_EQ(mac.inputSources().currentSourceID(), c.switches ? kRussian : kUS);
    mac.holdKey(keycode::capsLock, kPastDelayMs);
    EXPECT_EQ(mac.inputSources().currentSourceID(), kUS);
    EXPECT_FALSE(mac.keyboard().capsLockOn());
  }
}

TEST(SystemCapsLockTest, FromABCTheSwitchGoesBackToTheMostRecentOtherSource) {
  VirtualMac mac;
  mac.inputSources().setEnabled(kGerman, true);
  mac.inputSources().setCurrentSource(kGerman);
  mac.holdKey(keycode::capsLock, kPastDelayMs);
  EXPECT_EQ(mac.inputSources().currentSourceID(), kUS);
  mac.holdKey(keycode::capsLock, kPastDelayMs);
  EXPECT_EQ(mac.inputSources().currentSourceID(), kGerman) << "not the first other (Russian)";

  // Once that source is gone, the first other enabled one in the system's order.
  mac.holdKey(keycode::capsLock, kPastDelayMs);
  mac.inputSources().setEnabled(kGerman, false);
  mac.holdKey(keycode::capsLock, kPastDelayMs);
  EXPECT_EQ(mac.inputSources().currentSourceID(), kRussian);

  // An input mode is a source of its own: with the other layouts off, Japanese comes next.
  mac.inputSources().setEnabled(kRussian, false);
  mac.inputSources().setCurrentSource(kUS);
  mac.holdKey(keycode::capsLock, kPastDelayMs);
  EXPECT_EQ(mac.inputSources().currentSourceID(),
            "com.apple.inputmethod.Kotoeri.RomajiTyping.Japanese");

  // With nothing else enabled, a press switches nothing.
  mac.inputSources().setSources({{kUS, "U.S.", std::string(kTISTypeKeyboardLayout), true, true}});
  mac.holdKey(keycode::capsLock, kPastDelayMs);
  EXPECT_EQ(mac.inputSources().currentSourceID(), kUS);
}

}  // namespace
}  // namespace kestravane::platform::vmac
