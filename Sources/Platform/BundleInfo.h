// The main bundle's Info dictionary ([NSBundle.mainBundle objectForInfoDictionaryKey:]).
// Threads: any thread.
#pragma once

#include <optional>
#include <string>

#include "Platform/PropertyValue.h"

namespace kestravane::platform {

class BundleInfo {
 public:
  virtual ~BundleInfo() = default;
  // Absent when the key is missing; the value may be of any property-list type.
  virtual std::optional<PropertyValue> objectForInfoDictionaryKey(const std::string& key) = 0;
};

}  // namespace kestravane::platform
