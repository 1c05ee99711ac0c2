#include "Platform/X11/XInput.h"

#include <X11/extensions/XInput2.h>

#include "Platform/X11/X11Connection.h"

namespace kestravane::platform::x11 {

std::optional<int> announceXInput(Display* display, XInputVersion required) {
  int opcode = 0;
  int firstEvent = 0;
  int firstError = 0;
  if (!XQueryExtension(display, "XInputExtension", &opcode, &firstEvent, &firstError)) {
    return std::nullopt;
  }
  // The server answers with the lower of the two versions, or fails below 2.0.
  XInputVersion offered = required;
  ErrorTrap trap;
  if (XIQueryVersion(display, &offered.major, &offered.minor) != Success) return std::nullopt;
  if (trap.failed() || offered < required) return std::nullopt;
  return opcode;
}

}  // namespace kestravane::platform::x11
