#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Platform/Virtual/Keyboard.h"
#include "Platform/Virtual/Mouse.h"
#include "Platform/Virtual/PermissionState.h"
#include "Platform/Virtual/WindowServer.h"

namespace kestravane::platform::vmac {
namespace {

constexpr EventFlags kNC = kFlagNonCoalesced;

class KeyboardTest : public ::testing::Test {
 protected:
  std::vector<Event> takeReceived() {
    auto events = windowServer->receivedEvents();
    windowServer->clearReceivedEvents();
    return events;
  }

  std::shared_ptr<WindowServer> windowServer =
      std::make_shared<WindowServer>(std::make_shared<PermissionState>());
  Keyboard keyboard{windowServer};
};

TEST_F(KeyboardTest, ModifierKeysMakeFlagsChangedEventsWithMacFlagWords) {
  struct Case {
    std::uint16_t keyCode;
    EventFlags down;
  };
  const Case cases[] = {
      {keycode::function, 0x800000},
      {keycode::rightCommand, 0x100000 | 0x10},
      {keycode::command, 0x100000 | 0x8},
      {keycode::shift, 0x20000 | 0x2},
      {keycode::rightShift, 0x20000 | 0x4},
      {keycode::option, 0x80000 | 0x20},
      {keycode::rightOption, 0x80000 | 0x40},
      {keycode::control, 0x40000 | 0x1},
      {keycode::rightControl, 0x40000 | 0x2000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keyCode);
    EXPECT_TRUE(keyboard.press(c.keyCode));
    EXPECT_TRUE(keyboard.release(c.keyCode));
    EXPECT_EQ(takeReceived(), (std::vector<Event>{{kEventFlagsChanged, c.keyCode, c.down | kNC, 0},
                                                  {kEventFlagsChanged, c.keyCode, kNC, 0}}));
  }
}

TEST_F(KeyboardTest, FlagWordReflectsEveryHeldModifier) {
  keyboard.press(keycode::shift);
  keyboard.press(keycode::rightShift);
  keyboard.press(keycode::command);
  keyboard.release(keycode::shift);  // the right Shift still holds the Shift flag
  keyboard.press(keycode::a);
  const auto events = takeReceived();
  ASSERT_EQ(events.size(), 5u);
  EXPECT_EQ(events[1].flags, 0x20000u | 0x2 | 0x4 | kNC);
  EXPECT_EQ(events[2].flags, 0x20000u | 0x2 | 0x4 | 0x100000 | 0x8 | kNC);
  EXPECT_EQ(events[3],
            (Event{kEventFlagsChanged, keycode::shift, 0x20000 | 0x4 | 0x100000 | 0x8 | kNC, 0}));
  EXPECT_EQ(events[4], (Event{kEventKeyDown, keycode::a, 0x20000 | 0x4 | 0x100000 | 0x8 | kNC, 0}));
}

TEST_F(KeyboardTest, CapsLockTogglesWithOneEventPerPress) {
  keyboard.tap(keycode::capsLock);
  EXPECT_TRUE(keyboard.capsLockOn());
  keyboard.tap(keycode::a);
  keyboard.tap(keycode::capsLock);
  EXPECT_FALSE(keyboard.capsLockOn());
  EXPECT_EQ(takeReceived(), (std::vector<Event>{
                                {kEventFlagsChanged, keycode::capsLock, kFlagAlphaShift | kNC, 0},
                                {kEventKeyDown, keycode::a, kFlagAlphaShift | kNC, 0},
                                {kEventKeyUp, keycode::a, kFlagAlphaShift | kNC, 0},
                                {kEventFlagsChanged, keycode::capsLock, kNC, 0},
                            }));
}

// The HID system sets the lock without any event; only the events that follow carry the change.
TEST_F(KeyboardTest, TheLockSetFromOutsideEchoesOnceAndSetsTheFlagsOfLaterEvents) {
  keyboard.tap(keycode::capsLock);
  keyboard.setCapsLockState(false);
  keyboard.setCapsLockState(false);  // already off: nothing is posted
  EXPECT_FALSE(keyboard.capsLockOn());
  keyboard.tap(keycode::a);
  keyboard.setCapsLockState(true);
  keyboard.press(keycode::a);
  EXPECT_EQ(takeReceived(),
            (std::vector<Event>{
                {kEventFlagsChanged, keycode::capsLock, kFlagAlphaShift | kNC, 0},
                {kEventFlagsChanged, keycode::lockStateEcho, kNC, 0},
                {kEventKeyDown, keycode::a, kNC, 0},
                {kEventKeyUp, keycode::a, kNC, 0},
                {kEventFlagsChanged, keycode::lockStateEcho, kFlagAlphaShift | kNC, 0},
                {kEventKeyDown, keycode::a, kFlagAlphaShift | kNC, 0},
            }));
  keyboard.tap(keycode::capsLock);  // the key toggles from the state it finds
  EXPECT_FALSE(keyboard.capsLockOn());
}

TEST_F(KeyboardTest, MediaKeysAndClicksMakeTheirOwnEventsWithTheHeldModifiers) {
  // The fixture owns the keyboard; the mouse only reads its flags.
  Mouse mouse(windowServer, std::shared_ptr<const Keyboard>(&keyboard, [](const Keyboard*) {}));
  keyboard.press(keycode::function);
  keyboard.tapAuxKey(AuxKey::brightnessUp);
  keyboard.release(keycode::function);
  keyboard.press(keycode::rightCommand);
  mouse.click(MouseButton::left);
  mouse.click(MouseButton::right);
  mouse.click(MouseButton::other);
  keyboard.release(keycode::rightCommand);
  keyboard.tapAuxKey(AuxKey::play);

  constexpr EventFlags fn = 0x800000 | kNC;
  constexpr EventFlags rightCommand = 0x100000 | 0x10 | kNC;
  const auto sysdefined = [](EventFlags flags, std::int64_t data1) {
    return Event{kEventSystemDefined, 0, flags, 0, 0, data1};
  };
  const auto mouseEvent = [](EventType type, std::int64_t button) {
    return Event{type, 0, rightCommand, 0, button, 0};
  };
  const auto events = takeReceived();
  ASSERT_EQ(events.size(), 14u);
  EXPECT_EQ(std::vector<Event>(events.begin() + 1, events.begin() + 3),
            (std::vector<Event>{sysdefined(fn, 0x20A00), sysdefined(fn, 0x20B00)}));
  EXPECT_EQ(
      std::vector<Event>(events.begin() + 5, events.begin() + 11),
      (std::vector<Event>{mouseEvent(kEventLeftMouseDown, 0), mouseEvent(kEventLeftMouseUp, 0),
                          mouseEvent(kEventRightMouseDown, 1), mouseEvent(kEventRightMouseUp, 1),
                          mouseEvent(kEventOtherMouseDown, 2), mouseEvent(kEventOtherMouseUp, 2)}));
  EXPECT_EQ(std::vector<Event>(events.begin() + 12, events.end()),
            (std::vector<Event>{sysdefined(kNC, 0x100A00), sysdefined(kNC, 0x100B00)}));
}

TEST_F(KeyboardTest, OrdinaryKeysCarryTheirOwnMarksAndAutoRepeat) {
  keyboard.tap(keycode::leftArrow);
  keyboard.tap(keycode::f1);
  keyboard.tap(keycode::keypad1);
  keyboard.press(keycode::a);
  EXPECT_EQ(keyboard.autoRepeat(keycode::a, 2), 2u);
  EXPECT_EQ(keyboard.autoRepeat(keycode::s, 2), 0u);      // not held
  EXPECT_EQ(keyboard.autoRepeat(keycode::shift, 2), 0u);  // modifiers do not repeat
  const auto events = takeReceived();
  ASSERT_EQ(events.size(), 9u);
  EXPECT_EQ(events[0].flags, 0x800000u | 0x200000 | kNC);
  EXPECT_EQ(events[2].flags, 0x800000u | kNC);
  EXPECT_EQ(events[4].flags, 0x200000u | kNC);
  EXPECT_EQ(events[6], (Event{kEventKeyDown, keycode::a, kNC, 0}));
  EXPECT_EQ(events[7], (Event{kEventKeyDown, keycode::a, kNC, 1}));
  EXPECT_EQ(events[8], events[7]);
}

TEST_F(KeyboardTest, PressingAHeldKeyOrReleasingAnUnheldOneMakesNoEvent) {
  EXPECT_FALSE(keyboard.release(keycode::a));
  EXPECT_TRUE(keyboard.press(keycode::function));
  EXPECT_FALSE(keyboard.press(keycode::function));
  EXPECT_TRUE(keyboard.isDown(keycode::function));
  EXPECT_EQ(takeReceived().size(), 1u);
}

TEST_F(KeyboardTest, StateObserverFollowsEveryChangeAfterItsEventsArrived) {
  std::vector<std::pair<bool, std::size_t>> seen;  // Caps Lock on, events received by then
  keyboard.setStateObserver(
      [&] { seen.emplace_back(keyboard.capsLockOn(), windowServer->receivedEvents().size()); });
  keyboard.press(keycode::capsLock);
  keyboard.release(keycode::capsLock);  // no event, but the key is up again
  keyboard.press(keycode::a);
  keyboard.press(keycode::a);    // already down: no change
  keyboard.release(keycode::s);  // not down: no change
  EXPECT_EQ(seen, (std::vector<std::pair<bool, std::size_t>>{{true, 1}, {true, 1}, {true, 2}}));
  EXPECT_FALSE(keyboard.isDown(keycode::capsLock));
}

TEST(KeyTableTest, EveryKeyHasOneCodeAndOneNameFoundInAnyCase) {
  std::set<std::uint16_t> codes;
  std::set<std::string> spellings;
  for (const KeyInfo& key : allKeys()) {
    EXPECT_TRUE(codes.insert(key.code).second) << "code " << key.code << " twice";
    for (std::string_view name : {key.name, key.alias}) {
      if (name.empty()) continue;
      std::string lower(name);
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      EXPECT_TRUE(spellings.insert(lower).second) << name << " names two keys";
      EXPECT_EQ(keyByName(lower), &key);
    }
    EXPECT_EQ(keyByCode(key.code), &key);
  }
  EXPECT_EQ(keyByName("CAPSLOCK")->code, keycode::capsLock);
  EXPECT_EQ(keyByName("rcmd")->code, keycode::rightCommand);
  EXPECT_EQ(keyByName(""), nullptr);
  EXPECT_EQ(keyByName("1"), nullptr);  // a bare number is a key code, never a name
  EXPECT_EQ(keyByCode(52), nullptr);
}

}  // namespace
}  // namespace kestravane::platform::vmac
