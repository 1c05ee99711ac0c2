// The services every Linux desktop backend (X11, Wayland) makes the same way: the uptime clock,
// threads, the dispatch queues whose main queue the program's event loop drives, the log, the
// application object, the desktop's opener and keyboard settings, the poll()-based run loops of
// the backends' threads, the XDG autostart entry as the login item, user defaults in a file (or
// in memory), the bundle's version and the locale. A backend adds its own (the taps, the layouts,
// the key's action, Accessibility, the HID system, the preferences).
// Threads: construct on the thread that drives the main queue; each service states its own
//   contract.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>

#include "Platform/Clock.h"
#include "Platform/Host/DispatchQueues.h"
#include "Platform/Host/HostApplication.h"
#include "Platform/Host/HostLog.h"
#include "Platform/Host/HostThreads.h"
#include "Platform/LinuxDesktop/DesktopWorkspace.h"
#include "Platform/Services.h"

namespace kestravane::platform::desktop {

struct DesktopHostOptions {
  // The uptime clock; the system's when null (tests give a manual one).
  std::shared_ptr<Clock> clock;
  // Where the user defaults persist; in memory when absent.
  std::optional<std::filesystem::path> defaultsFile;
  // The autostart entry; by the XDG rules when absent.
  std::optional<std::filesystem::path> autostartEntry;
  // The program the autostart entry starts; this process's own when empty.
  std::filesystem::path executable;
  // The desktop session; the environment's when absent.
  std::optional<DesktopWorkspace::Desktop> desktop;
  bool logToStandardError = false;
  bool logToSystemLog = false;
};

class DesktopHost {
 public:
  explicit DesktopHost(const DesktopHostOptions& options);

  // Puts every service named above into `services`.
  void fill(Services& services) const;

  const DesktopWorkspace::Desktop session;
  const std::shared_ptr<Clock> clock;
  const std::shared_ptr<host::HostThreads> threads;
  const std::shared_ptr<host::DispatchQueues> dispatch;
  const std::shared_ptr<host::HostLog> log;
  const std::shared_ptr<host::HostApplication> application;
  const std::shared_ptr<DesktopWorkspace> workspace;

 private:
  const DesktopHostOptions options;
};

}  // namespace kestravane::platform::desktop
