#include "Platform/X11/X11Platform.h"

#include <cstdlib>
#include <utility>

#include "Platform/Host/FileUserDefaults.h"
#include "Platform/Host/HostBundleInfo.h"
#include "Platform/Host/MemoryUserDefaults.h"
#include "Platform/Host/PosixLocale.h"
#include "Platform/Host/SystemUptimeClock.h"
#include "Platform/X11/KdeMetaShortcut.h"
#include "Platform/X11/PollRunLoops.h"
#include "Platform/X11/X11Accessibility.h"
#include "Platform/X11/X11EventTaps.h"
#include "Platform/X11/X11HIDSystem.h"
#include "Platform/X11/X11Preferences.h"
#include "Platform/X11/X11TextInputSources.h"
#include "Platform/X11/XdgAutostartLoginItems.h"

namespace kestravane::platform::x11 {
namespace {

std::filesystem::path ownExecutable() {
  std::error_code error;
  auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : path;
}

}  // namespace

std::unique_ptr<X11Platform> X11Platform::open(X11PlatformOptions options) {
  auto connection = X11Connection::open(options.displayName);
  if (!connection) return nullptr;
  return std::unique_ptr<X11Platform>(new X11Platform(std::move(options), std::move(connection)));
}

X11Platform::X11Platform(X11PlatformOptions options, std::shared_ptr<X11Connection> connection)
    : connection(std::move(connection)) {
  const std::string display = this->connection->name();
  xinputAvailable = announceXInput(this->connection->display(), options.requiredXInput).has_value();

  std::shared_ptr<Clock> clock = options.clock;
  if (!clock) clock = std::make_shared<host::SystemUptimeClock>();
  _threads = std::make_shared<host::HostThreads>();
  _dispatch = std::make_shared<host::DispatchQueues>(clock, _threads);
  _log = std::make_shared<host::HostLog>(
      host::HostLog::Sinks{options.logToStandardError, options.logToSystemLog});
  _application = std::make_shared<host::HostApplication>();
  const auto desktop = options.desktop.value_or(X11Workspace::Desktop::fromEnvironment());
  _workspace = std::make_shared<X11Workspace>(_dispatch->mainQueue(), desktop, _log);
  const auto stateDirectory =
      options.stateDirectory
          ? options.stateDirectory
          : X11TriggerKeyActions::defaultStateDirectory(
                std::getenv("XDG_RUNTIME_DIR"), std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
  _triggerKeyActions = std::make_shared<X11TriggerKeyActions>(
      this->connection, stateDirectory.value_or(std::filesystem::path()), _log);

  auto services = std::make_shared<Services>();
  services->clock = clock;
  services->threads = _threads;
  services->dispatch = _dispatch;
  services->log = _log;
  services->application = _application;
  services->workspace = _workspace;
  services->triggerKeyActions = _triggerKeyActions;
  services->pcKeyboard = true;
  // A keymap loaded underneath is looked at on the main queue, where the key's action is kept.
  services->eventTaps = std::make_shared<X11EventTaps>(
      X11EventTaps::Options{display, options.requiredXInput, xinputAvailable,
                            [queue = _dispatch->mainQueue(),
                             keyActions = std::weak_ptr<X11TriggerKeyActions>(_triggerKeyActions)] {
                              queue->async([keyActions] {
                                if (auto actions = keyActions.lock()) actions->keymapChanged();
                              });
                            }});
  services->runLoops = std::make_shared<PollRunLoops>();
  services->inputSources = std::make_shared<X11TextInputSources>(this->connection);
  services->accessibility = std::make_shared<X11Accessibility>(xinputAvailable);
  services->hidSystem = std::make_shared<X11HIDSystem>(this->connection);
  services->preferences = std::make_shared<X11Preferences>(
      this->connection, desktop.currentDesktop,
      options.kwinrc ? options.kwinrc
                     : kwinrcFile(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
  const auto autostartEntry = options.autostartEntry
                                  ? options.autostartEntry
                                  : XdgAutostartLoginItems::defaultEntryFile(
                                        std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  services->loginItems = std::make_shared<XdgAutostartLoginItems>(
      autostartEntry.value_or(std::filesystem::path()),
      options.executable.empty() ? ownExecutable() : options.executable);
  if (options.defaultsFile) {
    services->userDefaults = std::make_shared<host::FileUserDefaults>(*options.defaultsFile, _log);
  } else {
    services->userDefaults = std::make_shared<host::MemoryUserDefaults>();
  }
  services->bundleInfo = std::make_shared<host::HostBundleInfo>();
  services->locale = std::make_shared<host::PosixLocale>();
  _services = std::move(services);
}

X11Platform::~X11Platform() = default;

std::shared_ptr<const Services> makeX11Services(X11PlatformOptions options) {
  std::shared_ptr<X11Platform> platform = X11Platform::open(std::move(options));
  if (!platform) return nullptr;
  const Services* services = platform->services().get();
  return std::shared_ptr<const Services>(std::move(platform), services);
}

}  // namespace kestravane::platform::x11
