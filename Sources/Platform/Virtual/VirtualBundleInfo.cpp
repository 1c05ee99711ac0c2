#include "Platform/Virtual/VirtualBundleInfo.h"

#include <utility>

#ifndef PLIVEX_VERSION
#error "PLIVEX_VERSION must be defined by the build system"
#endif

namespace kestravane::platform::vmac {

VirtualBundleInfo::VirtualBundleInfo() : VirtualBundleInfo(projectVersion()) {}

VirtualBundleInfo::VirtualBundleInfo(std::string shortVersion) {
  values.emplace(kBundleShortVersionKey, std::move(shortVersion));
}

std::string VirtualBundleInfo::projectVersion() {
  return PLIVEX_VERSION;
}

std::optional<PropertyValue> VirtualBundleInfo::objectForInfoDictionaryKey(const std::string& key) {
  std::lock_guard lock(mutex);
  const auto found = values.find(key);
  if (found == values.end()) return std::nullopt;
  return found->second;
}

void VirtualBundleInfo::setValue(const std::string& key, PropertyValue value) {
  std::lock_guard lock(mutex);
  values.insert_or_assign(key, std::move(value));
}

void VirtualBundleInfo::removeValue(const std::string& key) {
  std::lock_guard lock(mutex);
  values.erase(key);
}

}  // namespace kestravane::platform::vmac
