// Reads what the system does with the fn/Globe key ("AppleFnUsageType" in the domain
// "com.apple.HIToolbox"), afresh at every call. Threading: main thread; no state.
#pragma once

#include <optional>

#include "KestravaneCore/GlobeFnUsage.h"

namespace kestravane {

class GlobeKeyManager {
 public:
  // Absent when the preference is missing or not an integer number (a string, a boolean or a
  // real is not one).
  std::optional<GlobeFnUsage> current() const;
  // The preference is present and says the key does nothing.
  bool isGlobeFree() const;
};

}  // namespace kestravane
