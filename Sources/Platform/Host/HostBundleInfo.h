// The main-bundle Info dictionary of a host without bundles: the version the program was built
// as, and whatever a test sets.
// Threads: any thread.
// Locks: one internal mutex around every call.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "Platform/BundleInfo.h"

namespace kestravane::platform::host {

inline constexpr const char* kBundleShortVersionKey = "CFBundleShortVersionString";

class HostBundleInfo final : public BundleInfo {
 public:
  // "CFBundleShortVersionString" = projectVersion().
  HostBundleInfo();
  // "CFBundleShortVersionString" = `shortVersion`.
  explicit HostBundleInfo(std::string shortVersion);

  // The version the project was built as (the build system's project version).
  static std::string projectVersion();

  // Seam.
  std::optional<PropertyValue> objectForInfoDictionaryKey(const std::string& key) override;

  // Control: any value of any type, or none.
  void setValue(const std::string& key, PropertyValue value);
  void removeValue(const std::string& key);

 private:
  mutable std::mutex mutex;
  std::map<std::string, PropertyValue> values;
};

}  // namespace kestravane::platform::host
