#include "Kestravane/Linux/X11Session.h"

#include <utility>

// Last: Xlib's macros would break the Qt headers above.
#include "Platform/X11/X11Platform.h"

namespace kestravane::linux_app {

using platform::x11::X11Platform;
using platform::x11::X11PlatformOptions;

std::unique_ptr<X11Session> X11Session::open(Options options) {
  X11PlatformOptions platformOptions;
  platformOptions.displayName = std::move(options.displayName);
  platformOptions.defaultsFile = std::move(options.defaultsFile);
  platformOptions.stateDirectory = std::move(options.stateDirectory);
  platformOptions.logToStandardError = options.logToStandardError;
  platformOptions.logToSystemLog = options.logToSystemLog;
  auto platform = X11Platform::open(std::move(platformOptions));
  if (!platform) return nullptr;
  return std::unique_ptr<X11Session>(new X11Session(std::move(platform)));
}

X11Session::X11Session(std::unique_ptr<X11Platform> platform) : x11(std::move(platform)) {
  session = std::make_unique<DesktopSession>(
      DesktopSession::Backend{x11->services(), x11->dispatch(), x11->threads(), x11->log(),
                              x11->application(), x11->workspace()});
}

X11Session::~X11Session() {
  session.reset();
}

std::string X11Session::displayName() const {
  return x11->displayName();
}

}  // namespace kestravane::linux_app
