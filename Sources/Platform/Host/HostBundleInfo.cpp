#include "Platform/Host/HostBundleInfo.h"

#include <utility>

#ifndef PLIVEX_VERSION
#error "PLIVEX_VERSION must be defined by the build system"
#endif

namespace kestravane::platform::host {

HostBundleInfo::HostBundleInfo() : HostBundleInfo(projectVersion()) {}

HostBundleInfo::HostBundleInfo(std::string shortVersion) {
  values.emplace(kBundleShortVersionKey, std::move(shortVersion));
}

std::string HostBundleInfo::projectVersion() {
  return PLIVEX_VERSION;
}

std::optional<PropertyValue> HostBundleInfo::objectForInfoDictionaryKey(const std::string& key) {
  std::lock_guard lock(mutex);
  const auto found = values.find(key);
  if (found == values.end()) return std::nullopt;
  return found->second;
}

void HostBundleInfo::setValue(const std::string& key, PropertyValue value) {
  std::lock_guard lock(mutex);
  values.insert_or_assign(key, std::move(value));
}

void HostBundleInfo::removeValue(const std::string& key) {
  std::lock_guard lock(mutex);
  values.erase(key);
}

}  // namespace kestravane::platform::host
