// Whether Plivex can work on the X11 display of this session: an X server must answer on DISPLAY
// and offer XInput 2. A Wayland session is never usable, also with an X server beside it
// (XWayland): there X clients see the keys only while an X window has the focus, so switching
// would work in some windows and silently not in others.
// Threads: any thread (the check opens a connection of its own and closes it).
#pragma once

#include <string_view>

#include "Platform/X11/XInput.h"

namespace kestravane::platform::x11 {

enum class X11Availability {
  usable,
  noDisplay,       // DISPLAY is not set: no graphical session, or one without X11
  waylandSession,  // WAYLAND_DISPLAY is set: the desktop is a Wayland one
  cannotConnect,   // no X server answers on DISPLAY
  noXInput2,       // the X server lacks XInput 2 (or offers an older version than needed)
};

// The check for given values of DISPLAY and WAYLAND_DISPLAY (empty: unset).
X11Availability checkX11Display(std::string_view display, std::string_view waylandDisplay,
                                XInputVersion required = kRequiredXInput);
// The check for this process's environment.
X11Availability checkX11Display();

// One sentence for a log or a terminal.
std::string_view describe(X11Availability availability);

}  // namespace kestravane::platform::x11
