// Core Foundation preferences (CFPreferencesAppSynchronize, CFPreferencesCopyValue); the seam's
// kPreferencesAnyApplication becomes kCFPreferencesAnyApplication.
// Threads: any thread.
#pragma once

#include <optional>
#include <string>

#include "Platform/Preferences.h"

namespace kestravane::platform::macos {

class MacPreferences final : public Preferences {
 public:
  bool appSynchronize(const std::string& applicationID) override;
  // Absent also for values the seam cannot carry (arrays, dictionaries, dates).
  std::optional<PropertyValue> copyValue(const std::string& key, const std::string& applicationID,
                                         PreferencesUser user, PreferencesHost host) override;
};

}  // namespace kestravane::platform::macos
