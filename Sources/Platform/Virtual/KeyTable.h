// The keys of the virtual Mac's keyboard: one row per key with its name, its macOS virtual key
// code (kVK_...) and the flag bits a Mac reports for it. The keyboard, the text console and the
// scenario files all read keys from this one table.
// Threads: constant data and pure functions.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "Platform/EventTaps.h"

namespace kestravane::platform::vmac {

struct KeyInfo {
  std::string_view name;   // lower camel case: "fn", "capsLock", "rightCommand", "a", "digit1"
  std::string_view alias;  // a short spelling the console also accepts ("rcmd"), or empty
  std::uint16_t code = 0;
  // A modifier's device-dependent bit (NX_DEVICE...KEYMASK); 0 for other keys and for fn and
  // Caps Lock, which have none.
  EventFlags deviceBit = 0;
  // The device-independent flag a modifier sets while down (for Caps Lock: while locked); 0 for
  // keys that are not modifiers.
  EventFlags modifierFlag = 0;
  // Flags a Mac adds to this key's own key events: fn for arrows and function keys, numeric pad
  // for arrows and keypad keys.
  EventFlags marks = 0;

  constexpr bool isModifier() const { return modifierFlag != 0; }
  // The bit that shows this modifier down in a flags-changed event: its device bit, or its flag
  // for fn and Caps Lock; 0 for other keys.
  constexpr EventFlags downFlag() const { return deviceBit != 0 ? deviceBit : modifierFlag; }
};

// Every key, modifiers first, then the keys of the main block, then the function, navigation
// and keypad keys.
std::span<const KeyInfo> allKeys();
// The row of a key code; nullptr for a code the table does not have.
const KeyInfo* keyByCode(std::int64_t code);
// The row whose name or alias matches, ignoring ASCII case; nullptr for an unknown name.
const KeyInfo* keyByName(std::string_view name);

// Key codes the tests and tools name directly.
namespace keycode {
inline constexpr std::uint16_t a = 0;
inline constexpr std::uint16_t s = 1;
inline constexpr std::uint16_t returnKey = 36;
inline constexpr std::uint16_t space = 49;
inline constexpr std::uint16_t rightCommand = static_cast<std::uint16_t>(kKeyCodeRightCommand);
inline constexpr std::uint16_t command = 55;
inline constexpr std::uint16_t shift = 56;
inline constexpr std::uint16_t capsLock = static_cast<std::uint16_t>(kKeyCodeCapsLock);
// The key code of the flags-changed event the HID system posts of its own when the Caps Lock
// lock is set from outside (IOHIDSetModifierLockState): not Caps Lock's 57. The value is the
// model's; a Mac is only known to use some code other than 57.
inline constexpr std::uint16_t lockStateEcho = 0xFF;
inline constexpr std::uint16_t option = 58;
inline constexpr std::uint16_t control = 59;
inline constexpr std::uint16_t rightShift = 60;
inline constexpr std::uint16_t rightOption = 61;
inline constexpr std::uint16_t rightControl = 62;
inline constexpr std::uint16_t function = static_cast<std::uint16_t>(kKeyCodeFn);  // fn/Globe
inline constexpr std::uint16_t keypad1 = 83;
inline constexpr std::uint16_t f1 = 122;
inline constexpr std::uint16_t leftArrow = 123;
}  // namespace keycode

}  // namespace kestravane::platform::vmac
