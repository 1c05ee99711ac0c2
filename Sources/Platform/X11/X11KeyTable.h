// The one table between the keys of a PC keyboard under X11 (evdev key codes, as X.Org and Xvfb
// number them) and the keys of a Mac keyboard as the engine knows them: virtual key codes, and
// for modifier keys the flags they set in the event flag word. Caps Lock stands for Caps Lock,
// the right Super (Windows) key for the right Command key, the left one for the left Command
// key, Alt for Option, and the Menu key, which PC keyboards have instead of fn/Globe, for fn.
// Threads: constant data, any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "Platform/EventTaps.h"

namespace kestravane::platform::x11 {

enum class KeyRole : std::uint8_t {
  ordinary,  // key-down and key-up events
  modifier,  // a flags-changed event on press and on release; held, it sets `modifierFlags`
  capsLock,  // one flags-changed event per press, carrying the lock state; the release is silent
};

struct MacKey {
  std::uint8_t xKeycode = 0;
  std::uint16_t macKeyCode = 0;
  KeyRole role = KeyRole::ordinary;
  EventFlags modifierFlags = 0;  // modifiers: the general flag and the device bit while down
  EventFlags marks = 0;          // ordinary keys: the fn and numeric-pad marks of their events
};

// The X key codes of the keys that stand for the triggers, as the trigger table has them.
inline constexpr unsigned kXKeycodeCapsLock = triggerKey(TriggerKind::capsLock).xKeycode;
inline constexpr unsigned kXKeycodeSuperRight = triggerKey(TriggerKind::rightCommand).xKeycode;
inline constexpr unsigned kXKeycodeMenu = triggerKey(TriggerKind::fn).xKeycode;

// The entry of an X key code, or nullptr for a key the table does not know.
const MacKey* macKeyFor(unsigned xKeycode);
// The key code the events of a key without an entry carry: 0x100 + the X key code, outside the
// range of Mac key codes, so it never equals a trigger's and stays apart for the key tester.
std::int64_t unmappedKeyCode(unsigned xKeycode);
// The X key code of the key that stands for a Mac key code, or absent.
std::optional<unsigned> xKeycodeFor(std::int64_t macKeyCode);
// The entries of the modifier keys (not Caps Lock), to compute a flag word from the keys down.
std::span<const MacKey> modifierKeys();

}  // namespace kestravane::platform::x11
