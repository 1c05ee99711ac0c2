#include "Platform/X11/X11Availability.h"

#include <cstdlib>
#include <string>

#include "Platform/X11/X11Connection.h"

namespace kestravane::platform::x11 {

X11Availability checkX11Display(std::string_view display, std::string_view waylandDisplay,
                                XInputVersion required) {
  if (!waylandDisplay.empty()) return X11Availability::waylandSession;
  if (display.empty()) return X11Availability::noDisplay;
  const auto connection = X11Connection::open(std::string(display));
  if (!connection) return X11Availability::cannotConnect;
  if (!announceXInput(connection->display(), required)) return X11Availability::noXInput2;
  return X11Availability::usable;
}

X11Availability checkX11Display() {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return checkX11Display(display != nullptr ? display : "", wayland != nullptr ? wayland : "");
}

std::string_view describe(X11Availability availability) {
  switch (availability) {
    case X11Availability::usable:
      return "the X11 display can switch layouts";
    case X11Availability::noDisplay:
      return "no X11 display: DISPLAY is not set";
    case X11Availability::waylandSession:
      return "this is a Wayland session, where an X11 program cannot see the keys typed into "
             "other programs";
    case X11Availability::cannotConnect:
      return "no X server answers on DISPLAY";
    case X11Availability::noXInput2:
      return "the X server lacks XInput 2, which Plivex needs to see the keys";
  }
  return "";
}

}  // namespace kestravane::platform::x11
