// Whether an X server offers the XInput 2 raw key events the backend's taps are made of.
// Threads: the connection's thread.
#pragma once

#include <X11/Xlib.h>

#include <optional>

namespace kestravane::platform::x11 {

struct XInputVersion {
  int major = 2;
  int minor = 2;
  auto operator<=>(const XInputVersion&) const = default;
};

// What the backend asks for: 2.2, whose raw events reach a root-window listener whatever grabs
// other clients hold.
inline constexpr XInputVersion kRequiredXInput{2, 2};

// Announces `required` to the server on `display`; the XInput extension's major opcode when the
// server supports at least that version, absent otherwise. Call it once per connection: a server
// refuses a second, different announcement.
std::optional<int> announceXInput(Display* display, XInputVersion required);

}  // namespace kestravane::platform::x11
