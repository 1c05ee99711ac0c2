// Turns the raw presses and releases of an X keyboard into the key events a Mac's event tap
// sees, through the one key table (X11KeyTable.h): key-down and key-up for ordinary keys (an
// auto-repeated press is another key-down, marked as such), a flags-changed event on press and
// release of a modifier key (never repeated), one flags-changed event per Caps Lock press carrying
// the lock state. The media and brightness keys of the keymap it is told of are system-defined
// events, on press and on release; mouse buttons are mouse-down and mouse-up events. Every
// event's flag word holds the modifiers down and the Caps Lock lock, as macOS reports them. It
// keeps which keys are down, the lock state and the media keys it was last told.
// Threads: one thread at a time (the tap's). Never allocates.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>

#include "Platform/EventTaps.h"
#include "Platform/X11/MediaKeys.h"

namespace kestravane::platform::x11 {

// One event as the tap delivers it; the backend's stand-in for a CGEvent.
struct KeyEvent {
  EventType type = 0;
  std::int64_t keyCode = 0;
  EventFlags flags = 0;
  bool autorepeat = false;
  std::int64_t mouseButton = 0;  // kCGMouseEventButtonNumber: 0 left, 1 right, 2 and up others
  // A system-defined event's data1, as NSEvent has it for the media keys: the NX_KEYTYPE in bits
  // 16-23, 0x0A (down) or 0x0B (up) in bits 8-15, 1 in bit 0 on an auto-repeated press.
  std::int64_t data1 = 0;
  bool operator==(const KeyEvent&) const = default;
};

class KeyTranslator {
 public:
  // A press; `repeatFlag` is the server's auto-repeat mark. Absent when a Mac reports nothing
  // (a modifier or Caps Lock held long enough to repeat).
  std::optional<KeyEvent> press(unsigned xKeycode, bool repeatFlag);
  // A release; absent for Caps Lock, whose release a Mac does not report.
  std::optional<KeyEvent> release(unsigned xKeycode);
  // A press or release of X pointer button `xButton` (1 left, 2 middle, 3 right, 8 back, 9
  // forward, ...). Absent for the wheel's buttons 4-7: a Mac reports scrolling as scroll-wheel
  // events, which no tap of the program asks for and a scroll does not spoil a tap.
  std::optional<KeyEvent> button(unsigned xButton, bool down) const;
  // The media keys of the current keymap. The modifier keys and Caps Lock of the key table keep
  // their meaning whatever symbol they carry.
  void setMediaKeys(const MediaKeyTable& table) { mediaKeys = table; }
  // The Caps Lock lock as the server reports it.
  void setCapsLocked(bool locked) { capsLocked = locked; }
  bool isCapsLocked() const { return capsLocked; }
  // Whether a Caps Lock press toggles the lock in the keymap now (its action may be taken away).
  // Then the press's event carries the lock as the press leaves it, as on a Mac, before the
  // server's own report (XKB unlocks only at the release).
  void setCapsKeyLocks(bool locks) { capsKeyLocks = locks; }
  // Forgets which keys are down.
  void reset() { down.reset(); }

 private:
  EventFlags flagWord() const;
  std::optional<std::int8_t> mediaKeyOf(unsigned xKeycode) const;
  KeyEvent mediaKeyEvent(std::int8_t nxKeyType, bool down, bool repeat) const;

  std::bitset<256> down;
  bool capsLocked = false;
  bool capsKeyLocks = true;
  MediaKeyTable mediaKeys = noMediaKeys();
};

}  // namespace kestravane::platform::x11
