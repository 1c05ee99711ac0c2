#include "Platform/Wayland/WaylandPlatform.h"

#include <cstdlib>
#include <utility>

#include "Platform/LinuxDesktop/AtomicFile.h"
#include "Platform/Wayland/DBusLayoutsSwitcher.h"
#include "Platform/Wayland/EvdevEventTaps.h"
#include "Platform/Wayland/HyprlandSwitcher.h"
#include "Platform/Wayland/SwaySwitcher.h"
#include "Platform/Wayland/WaylandAccessibility.h"
#include "Platform/Wayland/WaylandHIDSystem.h"
#include "Platform/Wayland/WaylandLogLines.h"
#include "Platform/Wayland/WaylandPreferences.h"
#include "Platform/Wayland/WaylandTextInputSources.h"
#include "Platform/Wayland/WaylandTriggerKeyActions.h"

namespace kestravane::platform::wayland {
namespace {

std::string_view accessWords(DeviceAccess access) {
  switch (access) {
    case DeviceAccess::granted:
      return logline::kKeyboardsReadable;
    case DeviceAccess::noKeyboards:
      return logline::kKeyboardsNone;
    case DeviceAccess::notInInputGroup:
      return logline::kKeyboardsNotInInputGroup;
    case DeviceAccess::permissionDenied:
      return logline::kKeyboardsPermissionDenied;
    case DeviceAccess::unreadable:
      break;
  }
  return logline::kKeyboardsUnreadable;
}

}  // namespace

WaylandPlatform::WaylandPlatform(WaylandPlatformOptions options) : host(options) {
  inputSources = std::make_shared<WaylandTextInputSources>(
      switcherForSession(host.dispatch->mainQueue(), options.environment));
  const auto keyOptions = keyOptionsForSession(inputSources->desktop(), options.environment);
  withholdsKeyActions = keyOptions != nullptr;
  const auto stateDirectory =
      options.stateDirectory
          ? options.stateDirectory
          : desktop::plivexStateDirectory(std::getenv("XDG_RUNTIME_DIR"),
                                          std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"));
  _triggerKeyActions = std::make_shared<WaylandTriggerKeyActions>(
      keyOptions, stateDirectory.value_or(std::filesystem::path()), host.log);
  eventTaps = std::make_shared<EvdevEventTaps>();

  auto services = std::make_shared<Services>();
  host.fill(*services);
  services->triggerKeyActions = _triggerKeyActions;
  services->pcKeyboard = true;
  services->waylandSession = true;
  services->eventTaps = eventTaps;
  services->inputSources = inputSources;
  services->accessibility = std::make_shared<WaylandAccessibility>(eventTaps);
  services->hidSystem = std::make_shared<WaylandHIDSystem>();
  services->preferences = std::make_shared<WaylandPreferences>(keyOptions);
  _services = std::move(services);
}

WaylandPlatform::~WaylandPlatform() = default;

std::string WaylandPlatform::desktopName() const {
  return inputSources->desktop().desktopName();
}

std::optional<std::string> WaylandPlatform::unavailableReason() const {
  return inputSources->unavailableReason();
}

DeviceAccess WaylandPlatform::keyboardAccess() const {
  return eventTaps->keyboardAccess();
}

std::vector<std::string> WaylandPlatform::startLines() {
  std::string desktopLine = std::string(logline::kDesktop) + desktopName();
  const auto layouts = inputSources->createInputSourceList({}, false);
  if (const auto reason = unavailableReason()) {
    desktopLine += std::string(logline::kCannotSwitch) + *reason;
  } else {
    desktopLine += std::string(logline::kLayouts) + std::to_string(layouts ? layouts->size() : 0);
  }
  std::vector<std::string> lines{
      desktopLine, std::string(logline::kKeyboards) + std::string(accessWords(keyboardAccess()))};
  if (!withholdsKeyActions) lines.emplace_back(logline::kKeyActionKept);
  return lines;
}

std::shared_ptr<const Services> makeWaylandServices(WaylandPlatformOptions options) {
  auto platform = std::make_shared<WaylandPlatform>(std::move(options));
  const Services* services = platform->services().get();
  return std::shared_ptr<const Services>(std::move(platform), services);
}

}  // namespace kestravane::platform::wayland
