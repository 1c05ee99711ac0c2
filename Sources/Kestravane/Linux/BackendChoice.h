// Which system the Linux program runs on: the user's own X11 session, where a lone tap switches
// the keyboard's real layouts, or the virtual Mac with its demo window. On Wayland the X server
// (XWayland) sees only its own clients' keys, never the desktop's, so Plivex cannot work there
// and says so instead of pretending; it offers the demo. Without any X display (an offscreen or
// VNC Qt platform) there is nothing real to switch either.
// Threads: any; pure.
#pragma once

#include <optional>
#include <string>

namespace kestravane::linux_app {

enum class Backend { x11, demo };

struct BackendChoice {
  Backend backend = Backend::demo;
  // Why the demo runs although the user did not ask for it; shown at start and in the menu.
  std::optional<std::string> notice;
};

// `demoAsked`: the user passed --demo. `sessionType` is XDG_SESSION_TYPE, `display` DISPLAY and
// `waylandDisplay` WAYLAND_DISPLAY (null or empty = unset).
BackendChoice chooseBackend(bool demoAsked, const char* sessionType, const char* display,
                            const char* waylandDisplay);

// The environment's own answer.
BackendChoice chooseBackendFromEnvironment(bool demoAsked);

// What a Wayland session is told, at start and in the menu.
inline constexpr const char* kWaylandNotice =
    "This is a Wayland session: an X11 program cannot see other programs' keys here, so Plivex "
    "cannot switch this desktop's layouts. Running the virtual Mac demo instead; log in to an "
    "X11 session (\"GNOME on Xorg\", \"Plasma (X11)\") to use Plivex for real.";
inline constexpr const char* kNoX11Notice =
    "No X11 display (DISPLAY is unset): there are no real layouts to switch. Running the virtual "
    "Mac demo instead.";

}  // namespace kestravane::linux_app
