#include "KestravaneKit/MetaKeyManager.h"

#include "KestravaneKit/PreferenceInteger.h"

namespace kestravane {

MetaKeyManager::MetaKeyManager(const platform::Services& services)
    : preferences(services.preferences) {}

bool MetaKeyManager::isMetaFree() const {
  const auto value = preferences->copyValue(kKey, kDomain, platform::PreferencesUser::currentUser,
                                            platform::PreferencesHost::anyHost);
  return !value || preferenceInteger(*value) == 0;
}

}  // namespace kestravane
