// What the evdev codes of a Linux input device stand for in the key translation that the X11
// backend uses too (x11::KeyTranslator): the XKB key code of a key (the evdev code + 8, as both
// X.Org and the Wayland compositors number them), the X pointer button of a mouse button, and
// which keys a Mac reports as media keys. On X11 the media keys are found by their keysyms in the
// keymap; a device's codes name them directly.
// Threads: constant data and pure functions, any thread.
#pragma once

#include <optional>

#include "Platform/X11/MediaKeys.h"

namespace kestravane::platform::wayland {

// The XKB key code of an evdev key code (EV_KEY), absent for the codes above the 255 that XKB
// key codes reach (and for the buttons, which start above it).
std::optional<unsigned> xKeycodeOfEvdev(unsigned evdevCode);

// The X pointer button (1 left, 2 middle, 3 right, 8 back, 9 forward) of an evdev button code,
// absent for the codes that are not mouse buttons (a touchpad's finger and tool codes, say).
std::optional<unsigned> xButtonOfEvdev(unsigned evdevCode);

// The media keys by XKB key code, with the NX_KEYTYPE a Mac's event carries for each.
const x11::MediaKeyTable& evdevMediaKeys();

}  // namespace kestravane::platform::wayland
