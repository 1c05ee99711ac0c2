// The keys a Mac reports as system-defined events rather than key-downs: the volume, brightness,
// keyboard-light, media-transport and eject keys. On X11 they are found by their keysym (the
// XF86 ones) in the current keymap, since their key codes differ between keyboards; each is
// given the NX_KEYTYPE a Mac's event carries for it. Free of X headers (their macros), so that
// the key translation can be tested on its own.
// Threads: plain values and pure functions, any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace kestravane::platform::x11 {

// X key code → NX_KEYTYPE of the media key it is in the keymap, or kNoMediaKey.
inline constexpr std::int8_t kNoMediaKey = -1;
using MediaKeyTable = std::array<std::int8_t, 256>;

// A table with no media key.
MediaKeyTable noMediaKeys();

// The NX_KEYTYPE of a keysym, absent for a key a Mac reports as an ordinary key.
std::optional<std::int8_t> mediaKeyTypeOf(unsigned long keysym);

}  // namespace kestravane::platform::x11
