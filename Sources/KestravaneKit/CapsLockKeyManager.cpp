#include "KestravaneKit/CapsLockKeyManager.h"

#include <variant>

#include "KestravaneKit/PreferenceInteger.h"

namespace kestravane {
namespace {

// System Settings keeps the option in the global domain, where `defaults write -g
// TISRomanSwitchState` and public configurations (nix-darwin's CustomUserPreferences) write it:
// 1 on, 0 off. macOS ships with the option on, so a missing value counts as on, like anything
// unreadable: the key stays "not free" rather than risk a press that switches twice.
constexpr const char* kDomain = platform::kPreferencesAnyApplication;
constexpr const char* kKey = "TISRomanSwitchState";

}  // namespace

CapsLockKeyManager::CapsLockKeyManager(const platform::Services& services)
    : preferences(services.preferences) {}

std::optional<std::int64_t> CapsLockKeyManager::current() const {
  // Picks up a change the user has just made in the keyboard settings.
  preferences->appSynchronize(kDomain);
  const auto value = preferences->copyValue(kKey, kDomain, platform::PreferencesUser::currentUser,
                                            platform::PreferencesHost::anyHost);
  if (!value) return std::nullopt;
  // `defaults write -g TISRomanSwitchState -bool false` turns the option off as surely as 0.
  if (const auto* flag = std::get_if<bool>(&*value)) return *flag ? 1 : 0;
  return preferenceInteger(*value);
}

bool CapsLockKeyManager::isCapsLockFree() const {
  return current() == 0;
}

}  // namespace kestravane
