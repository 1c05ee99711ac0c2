#include "Platform/Wayland/WaylandPreferences.h"

#include <cstdint>
#include <utility>

namespace kestravane::platform::wayland {

WaylandPreferences::WaylandPreferences(std::shared_ptr<DesktopKeyOptions> options)
    : options(std::move(options)) {}

bool WaylandPreferences::capsLockSwitchesLayouts(const XkbOptionList& options) {
  // As X11Preferences: every "grp:" option switches layouts, those naming "caps" with Caps Lock.
  for (const auto& option : options) {
    if (option.starts_with("grp:") && option.find("caps") != std::string::npos) return true;
  }
  return false;
}

std::optional<PropertyValue> WaylandPreferences::copyValue(const std::string& key,
                                                           const std::string& applicationID,
                                                           PreferencesUser, PreferencesHost) {
  if (key == "AppleFnUsageType" && applicationID == "com.apple.HIToolbox") {
    return PropertyValue(std::int64_t{0});
  }
  if (key == "TISRomanSwitchState" && applicationID == kPreferencesAnyApplication) {
    // Unknown counts as off: absent would read as a Mac's default (on) and block Caps Lock for
    // good on a desktop that never said it switches with it.
    const auto current = options ? options->read() : std::nullopt;
    return PropertyValue(std::int64_t{current && capsLockSwitchesLayouts(*current) ? 1 : 0});
  }
  return std::nullopt;
}

}  // namespace kestravane::platform::wayland
