#include "Platform/Virtual/VirtualPreferences.h"

#include <type_traits>
#include <utility>
#include <variant>

namespace kestravane::platform::vmac {

bool VirtualPreferences::appSynchronize(const std::string& applicationID) {
  std::lock_guard lock(mutex);
  ++synchronizeCounts[applicationID];
  if (synchronizeFails) return false;
  std::erase_if(cache,
                [&](const auto& entry) { return std::get<2>(entry.first) == applicationID; });
  for (const auto& [key, value] : stored) {
    if (std::get<2>(key) == applicationID) cache.emplace(key, value);
  }
  return true;
}

std::optional<PropertyValue> VirtualPreferences::copyValue(const std::string& key,
                                                           const std::string& applicationID,
                                                           PreferencesUser user,
                                                           PreferencesHost host) {
  std::lock_guard lock(mutex);
  const auto found = cache.find(Key{user, host, applicationID, key});
  if (found == cache.end()) return std::nullopt;
  return found->second;
}

void VirtualPreferences::setValue(const std::string& domain, const std::string& key,
                                  PropertyValue value, PreferencesUser user, PreferencesHost host) {
  {
    std::lock_guard lock(mutex);
    const Key entry{user, host, domain, key};
    stored.insert_or_assign(entry, value);
    cache.insert_or_assign(entry, std::move(value));
  }
  storedValuesObserver.notify();
}

void VirtualPreferences::removeValue(const std::string& domain, const std::string& key,
                                     PreferencesUser user, PreferencesHost host) {
  {
    std::lock_guard lock(mutex);
    const Key entry{user, host, domain, key};
    stored.erase(entry);
    cache.erase(entry);
  }
  storedValuesObserver.notify();
}

void VirtualPreferences::writeFromOtherProcess(const std::string& domain, const std::string& key,
                                               PropertyValue value, PreferencesUser user,
                                               PreferencesHost host) {
  {
    std::lock_guard lock(mutex);
    stored.insert_or_assign(Key{user, host, domain, key}, std::move(value));
  }
  storedValuesObserver.notify();
}

void VirtualPreferences::removeFromOtherProcess(const std::string& domain, const std::string& key,
                                                PreferencesUser user, PreferencesHost host) {
  {
    std::lock_guard lock(mutex);
    stored.erase(Key{user, host, domain, key});
  }
  storedValuesObserver.notify();
}

void VirtualPreferences::setFnUsageType(std::optional<std::int64_t> value) {
  if (value) {
    writeFromOtherProcess(kHIToolboxDomain, kFnUsageTypeKey, *value);
  } else {
    removeFromOtherProcess(kHIToolboxDomain, kFnUsageTypeKey);
  }
}

void VirtualPreferences::setRomanSwitchState(std::optional<std::int64_t> value) {
  if (value) {
    writeFromOtherProcess(kGlobalDomain, kRomanSwitchStateKey, *value);
  } else {
    removeFromOtherProcess(kGlobalDomain, kRomanSwitchStateKey);
  }
}

bool VirtualPreferences::romanSwitchOn() const {
  const auto value = storedValue(kGlobalDomain, kRomanSwitchStateKey);
  if (!value) return true;
  return std::visit(
      [](const auto& stored) {
        using T = std::decay_t<decltype(stored)>;
        if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, std::int64_t> ||
                      std::is_same_v<T, double>) {
          return stored != T{};
        } else {
          return true;
        }
      },
      *value);
}

std::optional<PropertyValue> VirtualPreferences::storedValue(const std::string& domain,
                                                             const std::string& key,
                                                             PreferencesUser user,
                                                             PreferencesHost host) const {
  std::lock_guard lock(mutex);
  const auto found = stored.find(Key{user, host, domain, key});
  if (found == stored.end()) return std::nullopt;
  return found->second;
}

void VirtualPreferences::setStoredValuesObserver(std::function<void()> observer) {
  storedValuesObserver.set(std::move(observer));
}

void VirtualPreferences::setSynchronizeFails(bool fails) {
  std::lock_guard lock(mutex);
  synchronizeFails = fails;
}

int VirtualPreferences::synchronizeCount(const std::string& domain) const {
  std::lock_guard lock(mutex);
  const auto found = synchronizeCounts.find(domain);
  return found == synchronizeCounts.end() ? 0 : found->second;
}

}  // namespace kestravane::platform::vmac
