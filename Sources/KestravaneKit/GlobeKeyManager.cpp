#include "KestravaneKit/GlobeKeyManager.h"

#include "KestravaneKit/PreferenceInteger.h"

namespace kestravane {
namespace {

constexpr const char* kDomain = "com.apple.HIToolbox";
constexpr const char* kKey = "AppleFnUsageType";

}  // namespace

GlobeKeyManager::GlobeKeyManager(const platform::Services& services)
    : preferences(services.preferences) {}

std::optional<GlobeFnUsage> GlobeKeyManager::current() const {
  // Picks up a change the user has just made in the keyboard settings.
  preferences->appSynchronize(kDomain);
  auto value = preferences->copyValue(kKey, kDomain, platform::PreferencesUser::currentUser,
                                      platform::PreferencesHost::anyHost);
  if (!value) return std::nullopt;
  // A value that says nothing exact about the key reads as absent: the key stays "not free"
  // rather than risk a tap that both switches the layout and runs a system function.
  auto integer = preferenceInteger(*value);
  if (!integer) return std::nullopt;
  return GlobeFnUsage(*integer);
}

bool GlobeKeyManager::isGlobeFree() const {
  auto usage = current();
  return usage && usage->isDoNothing();
}

}  // namespace kestravane
