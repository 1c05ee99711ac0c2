// Reads what the system does with the fn/Globe key ("AppleFnUsageType" in the domain
// "com.apple.HIToolbox"), afresh at every call. Threading: main thread; no state.
#pragma once

#include <optional>

#include "KestravaneCore/GlobeFnUsage.h"

namespace kestravane {

class GlobeKeyManager {
 public:
  // Absent when the preference is missing or cannot be read as an integer: an integer counts
  // as it is, and so does a whole real within the integer range (2.0 reads as 2); a boolean, a
  // fractional or out-of-range real, a string and data do not.
  std::optional<GlobeFnUsage> current() const;
  // The preference is present and says the key does nothing.
  bool isGlobeFree() const;
};

}  // namespace kestravane
