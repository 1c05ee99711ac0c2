#include "Platform/Virtual/VirtualBundleInfo.h"

#include <utility>

#ifndef PLIVEX_VERSION
#error "PLIVEX_VERSION must be defined by the build system"
#endif

namespace kestravane::platform::vmac {

VirtualBundleInfo::VirtualBundleInfo() : VirtualBundleInfo(projectVersion()) {}

VirtualBundleInfo::VirtualBundleInfo(std::string shortVersion) {
  values_.emplace(kBundleShortVersionKey, std::move(shortVersion));
}

std::string VirtualBundleInfo::projectVersion() {
  return PLIVEX_VERSION;
}

std::optional<PropertyValue> VirtualBundleInfo::objectForInfoDictionaryKey(const std::string& key) {
  std::lock_guard lock(mutex_);
  const auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

void VirtualBundleInfo::setValue(const std::string& key, PropertyValue value) {
  std::lock_guard lock(mutex_);
  values_.insert_or_assign(key, std::move(value));
}

void VirtualBundleInfo::removeValue(const std::string& key) {
  std::lock_guard lock(mutex_);
  values_.erase(key);
}

}  // namespace kestravane::platform::vmac
