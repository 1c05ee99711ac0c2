// Turns the raw presses and releases of an X keyboard into the key events a Mac's event tap
// sees, through the one key table (X11KeyTable.h): key-down and key-up for ordinary keys (an
// auto-repeated press is another key-down, marked as such), a flags-changed event on press and
// release of a modifier key (never repeated), one flags-changed event per Caps Lock press carrying
// the lock state. Every event's flag word holds the modifiers down and the Caps Lock lock, as
// macOS reports them. It keeps which keys are down and the lock state it was last told.
// Threads: one thread at a time (the tap's). Never allocates.
#pragma once

#include <bitset>
#include <cstdint>
#include <optional>

#include "Platform/EventTaps.h"

namespace kestravane::platform::x11 {

// One event as the tap delivers it; the backend's stand-in for a CGEvent.
struct KeyEvent {
  EventType type = 0;
  std::int64_t keyCode = 0;
  EventFlags flags = 0;
  bool autorepeat = false;
  bool operator==(const KeyEvent&) const = default;
};

class KeyTranslator {
 public:
  // A press; `repeatFlag` is the server's auto-repeat mark. Absent when a Mac reports nothing
  // (a modifier or Caps Lock held long enough to repeat).
  std::optional<KeyEvent> press(unsigned xKeycode, bool repeatFlag);
  // A release; absent for Caps Lock, whose release a Mac does not report.
  std::optional<KeyEvent> release(unsigned xKeycode);
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

  std::bitset<256> down;
  bool capsLocked = false;
  bool capsKeyLocks = true;
};

}  // namespace kestravane::platform::x11
