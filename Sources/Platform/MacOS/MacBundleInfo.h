// The main bundle's Info dictionary ([NSBundle.mainBundle objectForInfoDictionaryKey:]).
// Threads: any thread.
#pragma once

#include <optional>
#include <string>

#include "Platform/BundleInfo.h"

namespace kestravane::platform::macos {

class MacBundleInfo final : public BundleInfo {
 public:
  // Absent also for values the seam cannot carry (arrays, dictionaries, dates).
  std::optional<PropertyValue> objectForInfoDictionaryKey(const std::string& key) override;
};

}  // namespace kestravane::platform::macos
