#include "Kestravane/Linux/BackendChoice.h"

#include <cstdlib>
#include <string_view>

#include "Platform/X11/WithheldKeyRecord.h"

namespace kestravane::linux_app {

namespace {
bool isSet(const char* value) {
  return value != nullptr && *value != '\0';
}
}  // namespace

BackendChoice chooseBackend(bool demoAsked, const char* sessionType, const char* display,
                            const char* waylandDisplay) {
  if (demoAsked) return {Backend::demo, std::nullopt};
  const std::string_view type = isSet(sessionType) ? sessionType : "";
  // An X11 session that says so keeps X11 even where a nested compositor set WAYLAND_DISPLAY.
  if (type == "x11" && isSet(display)) return {Backend::x11, std::nullopt};
  // A Wayland compositor that also runs XWayland sets DISPLAY as well; the session type (or a
  // compositor's socket) is what says whose keys an X client could see: none but XWayland's own.
  if (type == "wayland" || isSet(waylandDisplay)) return {Backend::wayland, std::nullopt};
  if (!isSet(display)) return {Backend::demo, kNoX11Notice};
  return {Backend::x11, std::nullopt};
}

BackendChoice chooseBackendFromEnvironment(bool demoAsked) {
  return chooseBackend(demoAsked, std::getenv("XDG_SESSION_TYPE"), std::getenv("DISPLAY"),
                       std::getenv("WAYLAND_DISPLAY"));
}

std::string waylandSocketName(const char* waylandDisplay) {
  return isSet(waylandDisplay) ? waylandDisplay : "wayland-0";
}

std::string instanceKey(Backend backend, const char* display, const char* waylandDisplay) {
  switch (backend) {
    case Backend::x11:
      return platform::x11::displayKey(isSet(display) ? display : "");
    case Backend::wayland:
      return "wayland:" + waylandSocketName(waylandDisplay);
    case Backend::demo:
      break;
  }
  return {};
}

std::string instanceKeyFromEnvironment(Backend backend) {
  return instanceKey(backend, std::getenv("DISPLAY"), std::getenv("WAYLAND_DISPLAY"));
}

}  // namespace kestravane::linux_app
