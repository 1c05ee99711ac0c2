#include "Kestravane/Linux/BackendChoice.h"

#include <cstdlib>
#include <string_view>

namespace kestravane::linux_app {

namespace {
bool isSet(const char* value) {
  return value != nullptr && *value != '\0';
}
}  // namespace

BackendChoice chooseBackend(bool demoAsked, const char* sessionType, const char* display,
                            const char* waylandDisplay) {
  if (demoAsked) return {Backend::demo, std::nullopt};
  // A Wayland compositor that also runs XWayland sets DISPLAY as well; the session type (or a
  // compositor's socket) is what says whose keys an X client could see.
  const bool wayland =
      (isSet(sessionType) && std::string_view(sessionType) == "wayland") || isSet(waylandDisplay);
  if (wayland) return {Backend::demo, kWaylandNotice};
  if (!isSet(display)) return {Backend::demo, kNoX11Notice};
  return {Backend::x11, std::nullopt};
}

BackendChoice chooseBackendFromEnvironment(bool demoAsked) {
  return chooseBackend(demoAsked, std::getenv("XDG_SESSION_TYPE"), std::getenv("DISPLAY"),
                       std::getenv("WAYLAND_DISPLAY"));
}

}  // namespace kestravane::linux_app
