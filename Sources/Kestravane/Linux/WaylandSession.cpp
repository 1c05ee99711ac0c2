#include "Kestravane/Linux/WaylandSession.h"

#include <cstdlib>
#include <utility>

#include "Platform/Wayland/SessionSwitcher.h"
#include "Platform/Wayland/WaylandPlatform.h"

namespace kestravane::linux_app {

using platform::wayland::WaylandPlatform;
using platform::wayland::WaylandPlatformOptions;

WaylandSession::WaylandSession(Options options) {
  WaylandPlatformOptions platformOptions;
  platformOptions.defaultsFile = std::move(options.defaultsFile);
  platformOptions.stateDirectory = std::move(options.stateDirectory);
  platformOptions.logToStandardError = options.logToStandardError;
  platformOptions.logToSystemLog = options.logToSystemLog;
  wayland = std::make_unique<WaylandPlatform>(std::move(platformOptions));
  session = std::make_unique<DesktopSession>(
      DesktopSession::Backend{wayland->services(), wayland->dispatch(), wayland->threads(),
                              wayland->log(), wayland->application(), wayland->workspace()});
}

WaylandSession::~WaylandSession() {
  session.reset();
}

void leaveWindowFramesToTheDesktop() {
  using namespace platform::wayland;
  if (drawsWindowFrames(desktopOfSession())) {
    ::setenv("QT_WAYLAND_DISABLE_WINDOWDECORATION", "1", 0);
  }
}

}  // namespace kestravane::linux_app
