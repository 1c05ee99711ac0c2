// The raw presses and releases of a PC keyboard as a Mac's event tap would see them.
#include "Platform/X11/KeyTranslator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "Platform/X11/X11KeyTable.h"

namespace kestravane::platform::x11 {
namespace {

constexpr EventFlags kPlain = kFlagNonCoalesced;

struct Step {
  bool press;
  unsigned xKeycode;
  bool repeatFlag;
  std::optional<KeyEvent> expected;
};

struct Sequence {
  const char* name;
  std::vector<Step> steps;
};

Step press(unsigned x, std::optional<KeyEvent> expected, bool repeat = false) {
  return {true, x, repeat, expected};
}
Step release(unsigned x, std::optional<KeyEvent> expected) {
  return {false, x, false, expected};
}
KeyEvent flagsChanged(std::int64_t code, EventFlags flags) {
  return {kEventFlagsChanged, code, kPlain | flags, false};
}
KeyEvent keyDown(std::int64_t code, EventFlags flags = 0, bool repeat = false) {
  return {kEventKeyDown, code, kPlain | flags, repeat};
}
KeyEvent keyUp(std::int64_t code, EventFlags flags = 0) {
  return {kEventKeyUp, code, kPlain | flags, false};
}

const std::vector<Sequence>& sequences() {
  constexpr EventFlags rightCommand = kFlagCommand | kFlagDeviceRightCommand;
  constexpr EventFlags leftCommand = kFlagCommand | 0x8;
  static const std::vector<Sequence> all{
      {"RightSuperIsRightCommand",
       {press(134, flagsChanged(54, rightCommand)), release(134, flagsChanged(54, 0))}},
      {"BothSupersKeepCommandUntilTheLastGoesUp",
       {press(133, flagsChanged(55, leftCommand)),
        press(134, flagsChanged(54, leftCommand | rightCommand)),
        release(134, flagsChanged(54, leftCommand)), release(133, flagsChanged(55, 0))}},
      {"SuperLIsACommandChord",
       {press(134, flagsChanged(54, rightCommand)), press(46, keyDown(37, rightCommand)),
        release(46, keyUp(37, rightCommand)), release(134, flagsChanged(54, 0))}},
      {"MenuIsFn",
       {press(135, flagsChanged(63, kFlagSecondaryFn)), release(135, flagsChanged(63, 0))}},
      {"HeldModifiersRepeatNothing",
       {press(135, flagsChanged(63, kFlagSecondaryFn)), press(135, std::nullopt, true),
        press(135, std::nullopt), press(66, flagsChanged(57, kFlagSecondaryFn | kFlagAlphaShift)),
        press(66, std::nullopt, true)}},
      {"HeldLettersRepeatAsMarkedKeyDowns",
       {press(38, keyDown(0)), press(38, keyDown(0, 0, true), true), press(38, keyDown(0, 0, true)),
        release(38, keyUp(0))}},
      {"CapsLockReportsItsPressOnly",
       {press(66, flagsChanged(57, kFlagAlphaShift)), release(66, std::nullopt)}},
      {"ShiftsAndControlsCarryTheirDeviceBits",
       {press(50, flagsChanged(56, kFlagShift | 0x2)),
        press(62, flagsChanged(60, kFlagShift | 0x6)),
        press(37, flagsChanged(59, kFlagShift | 0x6 | kFlagControl | 0x1)),
        press(105, flagsChanged(62, kFlagShift | 0x6 | kFlagControl | 0x2001))}},
      {"AltsAreOptions",
       {press(64, flagsChanged(58, kFlagAlternate | 0x20)),
        press(108, flagsChanged(61, kFlagAlternate | 0x60))}},
      {"FunctionArrowAndKeypadKeysCarryTheirMarks",
       {press(67, keyDown(122, kFlagSecondaryFn)), press(111, keyDown(126, 0xA00000)),
        press(90, keyDown(82, 0x200000))}},
      {"UnknownKeysGetCodesNoTriggerHas",
       {press(200, keyDown(0x1C8)), release(200, keyUp(0x1C8)), press(255, keyDown(0x1FF))}},
      {"AReleaseNeverSeenPressedStillReports",
       {release(134, flagsChanged(54, 0)), release(38, keyUp(0))}},
  };
  return all;
}

class KeyTranslatorTest : public ::testing::TestWithParam<Sequence> {};

TEST_P(KeyTranslatorTest, ReportsWhatAMacReports) {
  KeyTranslator translator;
  for (std::size_t i = 0; i < GetParam().steps.size(); ++i) {
    const Step& step = GetParam().steps[i];
    SCOPED_TRACE("step " + std::to_string(i));
    const auto event = step.press ? translator.press(step.xKeycode, step.repeatFlag)
                                  : translator.release(step.xKeycode);
    EXPECT_EQ(event, step.expected);
  }
}

INSTANTIATE_TEST_SUITE_P(Sequences, KeyTranslatorTest, ::testing::ValuesIn(sequences()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KeyTranslatorLockTest, ACapsLockPressCarriesTheLockItLeavesAndOthersTheLockAsTold) {
  KeyTranslator translator;
  EXPECT_EQ(translator.press(66, false), flagsChanged(57, kFlagAlphaShift)) << "locks";
  EXPECT_EQ(translator.release(66), std::nullopt);
  EXPECT_EQ(translator.press(38, false), keyDown(0, kFlagAlphaShift));
  EXPECT_EQ(translator.press(66, false), flagsChanged(57, 0)) << "unlocks";
  translator.release(66);
  translator.setCapsKeyLocks(false);  // its action is taken away: the lock stays as it is
  EXPECT_EQ(translator.press(66, false), flagsChanged(57, 0));
  translator.setCapsLocked(true);  // the server reports a lock set some other way
  EXPECT_EQ(translator.release(38), keyUp(0, kFlagAlphaShift));
}

TEST(KeyTranslatorMediaKeyTest, MediaKeysAreSystemDefinedEventsCarryingTheirKeyType) {
  KeyTranslator translator;
  MediaKeyTable table = noMediaKeys();
  table[232] = 3;  // brightness down, where evdev keymaps have it
  table[38] = 7;   // the A key made a mute key
  table[66] = 7;   // Caps Lock keeps its meaning whatever symbol it carries
  translator.setMediaKeys(table);
  const auto media = [](std::int64_t data1, EventFlags flags = 0) {
    KeyEvent event{kEventSystemDefined, 0, kPlain | flags, false};
    event.data1 = data1;
    return event;
  };
  EXPECT_EQ(translator.press(232, false), media(0x30A00));
  EXPECT_EQ(translator.press(232, true), media(0x30A01)) << "auto-repeat";
  EXPECT_EQ(translator.release(232), media(0x30B00));
  EXPECT_EQ(translator.press(135, false), flagsChanged(63, kFlagSecondaryFn));
  EXPECT_EQ(translator.press(38, false), media(0x70A00, kFlagSecondaryFn)) << "fn+mute";
  EXPECT_EQ(translator.press(66, false), flagsChanged(57, kFlagSecondaryFn | kFlagAlphaShift));
  translator.setMediaKeys(noMediaKeys());  // a keymap without them
  EXPECT_EQ(translator.release(38), keyUp(0, kFlagSecondaryFn | kFlagAlphaShift));
}

TEST(KeyTranslatorButtonTest, ButtonsAreTheMacsMouseEventsAndTheWheelMakesNone) {
  struct Case {
    unsigned xButton;
    std::optional<std::pair<EventType, std::int64_t>> down;  // type and button number
  };
  const std::vector<Case> cases{
      {1, {{kEventLeftMouseDown, 0}}},
      {3, {{kEventRightMouseDown, 1}}},
      {2, {{kEventOtherMouseDown, 2}}},
      {8, {{kEventOtherMouseDown, 3}}},
      {9, {{kEventOtherMouseDown, 4}}},
      {12, {{kEventOtherMouseDown, 7}}},
      {4, std::nullopt},
      {5, std::nullopt},
      {6, std::nullopt},
      {7, std::nullopt},
      {0, std::nullopt},
  };
  KeyTranslator translator;
  translator.press(134, false);  // a right-Command click carries the Command flags
  constexpr EventFlags rightCommand = kPlain | kFlagCommand | kFlagDeviceRightCommand;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.xButton);
    const auto down = translator.button(c.xButton, true);
    const auto up = translator.button(c.xButton, false);
    ASSERT_EQ(down.has_value(), c.down.has_value());
    ASSERT_EQ(up.has_value(), c.down.has_value());
    if (!c.down) continue;
    EXPECT_EQ(down->type, c.down->first);
    EXPECT_EQ(up->type, c.down->first + 1) << "the same button's up event";
    EXPECT_EQ(down->mouseButton, c.down->second);
    EXPECT_EQ(up->mouseButton, c.down->second);
    EXPECT_EQ(down->flags, rightCommand);
  }
}

TEST(X11KeyTableTest, TheTriggersKeysAreThePCKeysThatStandForThem) {
  EXPECT_EQ(xKeycodeFor(kKeyCodeCapsLock), kXKeycodeCapsLock);
  EXPECT_EQ(xKeycodeFor(kKeyCodeRightCommand), kXKeycodeSuperRight);
  EXPECT_EQ(xKeycodeFor(kKeyCodeFn), kXKeycodeMenu);
  EXPECT_EQ(xKeycodeFor(500), std::nullopt);
  for (unsigned x = 0; x < 256; ++x) {
    const MacKey* key = macKeyFor(x);
    const std::int64_t code = key != nullptr ? key->macKeyCode : unmappedKeyCode(x);
    const TriggerKey* trigger = triggerKeyWithCode(code);
    const bool standsForTrigger =
        std::ranges::any_of(kTriggerKeys, [&](const TriggerKey& row) { return row.xKeycode == x; });
    EXPECT_EQ(trigger != nullptr, standsForTrigger) << "X key code " << x;
    if (trigger != nullptr) {
      EXPECT_EQ(trigger->xKeycode, x);
    }
  }
}

}  // namespace
}  // namespace kestravane::platform::x11
