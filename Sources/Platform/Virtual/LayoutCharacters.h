// What a key types under the keyboard layouts the virtual Mac models (U.S., Russian, German), as
// UCKeyTranslate reports it for a key-down with dead keys off (kUCKeyTranslateNoDeadKeysMask), so
// German's ´ ` ^ type their accent at once. The demo panel's stand-in application types through
// it, so that a switch of layout shows in what the user types.
// Threads: constant data and pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/EventTaps.h"

namespace kestravane::platform::vmac {

enum class KeyboardLayout { us, russian, german };

// The modelled layout of an input source ("com.apple.keylayout.US", "...Russian", "...German");
// absent for any other source.
std::optional<KeyboardLayout> keyboardLayoutFor(std::string_view inputSourceID);

// The text (UTF-8) that a key-down of `keyCode` carrying `flags` types under `layout`.
// - Shift gives the key's upper level; Caps Lock gives it for letters only, and Caps Lock with
//   Shift still gives capitals (macOS does not invert).
// - Return types "\r", Tab "\t", Delete "\b", keypad Enter "\x03", as UCKeyTranslate gives them.
// - Empty for keys that type nothing (modifiers, function, navigation and arrow keys, escape)
//   and for any key while Command, Control or Option is held: the first two make shortcuts, and
//   the Option level is not modelled.
std::string typedCharacters(KeyboardLayout layout, std::uint16_t keyCode, EventFlags flags);

}  // namespace kestravane::platform::vmac
