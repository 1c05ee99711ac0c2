// The virtual Mac's CGEventRef: a keyboard event as plain data, copied by value.
// Threads: a value type; each copy belongs to whoever holds it.
#pragma once

#include <cstdint>

#include "Platform/EventTaps.h"

namespace kestravane::platform {

struct Event {
  EventType type = 0;
  std::int64_t keyCode = 0;     // kKeyboardEventKeycode
  EventFlags flags = 0;         // CGEventGetFlags
  std::int64_t autorepeat = 0;  // kCGKeyboardEventAutorepeat: 1 on an auto-repeated key-down
  bool operator==(const Event&) const = default;
};

namespace vmac {
// CGEventField of the auto-repeat mark (kCGKeyboardEventAutorepeat).
inline constexpr EventField kKeyboardEventAutorepeat = 8;
}  // namespace vmac

}  // namespace kestravane::platform
