// Which system the Linux program runs on: the user's own X11 session, where a lone tap switches
// the keyboard's real layouts; a Wayland session, where the keyboards are read from their devices
// and the desktop switches its layouts (an X client there, under XWayland, would see only its own
// clients' keys, so a Wayland session never gets the X11 backend unless it says it is X11); or
// the virtual Mac with its demo window, when asked for or when there is neither (an offscreen or
// VNC Qt platform outside any session: nothing real to switch).
// Which display a start belongs to follows from the choice: one Plivex runs per user and display,
// and the console, which shares the program's settings, counts as the program started there.
// Threads: any; pure.
#pragma once

#include <optional>
#include <string>

namespace kestravane::linux_app {

enum class Backend { x11, wayland, demo };

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

// The Wayland compositor's socket: `waylandDisplay` (WAYLAND_DISPLAY), "wayland-0" when unset.
std::string waylandSocketName(const char* waylandDisplay);

// The key of the single-instance lock of a start on `backend` (SingleInstance::acquireFor): the X
// display without its screen on X11 (":1"), "wayland:" and the compositor's socket on Wayland,
// and none for the demo, which belongs to no display. `display` and `waylandDisplay` as above.
std::string instanceKey(Backend backend, const char* display, const char* waylandDisplay);
// The same for the environment's DISPLAY and WAYLAND_DISPLAY.
std::string instanceKeyFromEnvironment(Backend backend);

// What a start outside any desktop session is told, at start and in the menu.
inline constexpr const char* kNoX11Notice =
    "No X11 display (DISPLAY is unset) and no Wayland session: there are no real layouts to "
    "switch. Running the virtual Mac demo instead.";

}  // namespace kestravane::linux_app
