// The virtual Mac's CGEventRef: a keyboard, mouse-button or system-defined event as plain data,
// copied by value.
// Threads: a value type; each copy belongs to whoever holds it.
#pragma once

#include <cstdint>

#include "Platform/EventTaps.h"

namespace kestravane::platform {

struct Event {
  EventType type = 0;
  std::int64_t keyCode = 0;      // kKeyboardEventKeycode; 0 on events that are not keyboard ones
  EventFlags flags = 0;          // CGEventGetFlags
  std::int64_t autorepeat = 0;   // kCGKeyboardEventAutorepeat: 1 on an auto-repeated key-down
  std::int64_t mouseButton = 0;  // kCGMouseEventButtonNumber: 0 left, 1 right, 2 and up others
  // A system-defined event's data1 (NSEvent); for the media and brightness keys (subtype 8):
  // the key's NX_KEYTYPE in bits 16-23 and 0x0A (down) or 0x0B (up) in bits 8-15.
  std::int64_t data1 = 0;
  bool operator==(const Event&) const = default;
};

namespace vmac {
// CGEventField of the auto-repeat mark (kCGKeyboardEventAutorepeat).
inline constexpr EventField kKeyboardEventAutorepeat = 8;
}  // namespace vmac

}  // namespace kestravane::platform
