#include "Platform/LinuxDesktop/DesktopHost.h"

#include <cstdlib>

#include "Platform/Host/FileUserDefaults.h"
#include "Platform/Host/HostBundleInfo.h"
#include "Platform/Host/MemoryUserDefaults.h"
#include "Platform/Host/PosixLocale.h"
#include "Platform/Host/SystemUptimeClock.h"
#include "Platform/LinuxDesktop/PollRunLoops.h"
#include "Platform/LinuxDesktop/XdgAutostartLoginItems.h"

namespace kestravane::platform::desktop {
namespace {

std::filesystem::path ownExecutable() {
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : path;
}

std::shared_ptr<Clock> clockOf(const DesktopHostOptions& options) {
  if (options.clock) return options.clock;
  return std::make_shared<host::SystemUptimeClock>();
}

}  // namespace

DesktopHost::DesktopHost(const DesktopHostOptions& options)
    : session(options.desktop.value_or(DesktopWorkspace::Desktop::fromEnvironment())),
      clock(clockOf(options)),
      threads(std::make_shared<host::HostThreads>()),
      dispatch(std::make_shared<host::DispatchQueues>(clock, threads)),
      log(std::make_shared<host::HostLog>(
          host::HostLog::Sinks{options.logToStandardError, options.logToSystemLog})),
      application(std::make_shared<host::HostApplication>()),
      workspace(std::make_shared<DesktopWorkspace>(dispatch->mainQueue(), session, log)),
      options(options) {}

void DesktopHost::fill(Services& services) const {
  services.clock = clock;
  services.threads = threads;
  services.dispatch = dispatch;
  services.log = log;
  services.application = application;
  services.workspace = workspace;
  // The backends' taps are PollSources: only these run loops run them.
  services.runLoops = std::make_shared<PollRunLoops>();
  const auto autostartEntry = options.autostartEntry
                                  ? options.autostartEntry
                                  : XdgAutostartLoginItems::defaultEntryFile(
                                        std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  services.loginItems = std::make_shared<XdgAutostartLoginItems>(
      autostartEntry.value_or(std::filesystem::path()),
      options.executable.empty() ? ownExecutable() : options.executable);
  if (options.defaultsFile) {
    services.userDefaults = std::make_shared<host::FileUserDefaults>(*options.defaultsFile, log);
  } else {
    services.userDefaults = std::make_shared<host::MemoryUserDefaults>();
  }
  services.bundleInfo = std::make_shared<host::HostBundleInfo>();
  services.locale = std::make_shared<host::PosixLocale>();
}

}  // namespace kestravane::platform::desktop
