// Core Foundation preferences (CFPreferencesAppSynchronize, CFPreferencesCopyValue).
// Threads: any thread.
#pragma once

#include <optional>
#include <string>

#include "Platform/PropertyValue.h"

namespace kestravane::platform {

// kCFPreferencesAnyApplication: the global domain (NSGlobalDomain, `defaults -g`). Passed as the
// application ID, it stands for that constant, which each backend hands to the system itself.
inline constexpr const char* kPreferencesAnyApplication = "kCFPreferencesAnyApplication";

enum class PreferencesUser { currentUser, anyUser };  // kCFPreferencesCurrentUser / AnyUser
enum class PreferencesHost { currentHost, anyHost };  // kCFPreferencesCurrentHost / AnyHost

class Preferences {
 public:
  virtual ~Preferences() = default;
  // CFPreferencesAppSynchronize(applicationID): re-reads what other processes have written.
  virtual bool appSynchronize(const std::string& applicationID) = 0;
  // CFPreferencesCopyValue(key, applicationID, user, host); absent when there is no value.
  virtual std::optional<PropertyValue> copyValue(const std::string& key,
                                                 const std::string& applicationID,
                                                 PreferencesUser user, PreferencesHost host) = 0;
};

}  // namespace kestravane::platform
