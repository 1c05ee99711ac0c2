// Reads what the system does with the fn/Globe key ("AppleFnUsageType" in the domain
// "com.apple.HIToolbox"), afresh at every call.
// Threads: main thread. Holds only the preferences service.
#pragma once

#include <memory>
#include <optional>

#include "KestravaneCore/GlobeFnUsage.h"
#include "Platform/Services.h"

namespace kestravane {

class GlobeKeyManager {
 public:
  explicit GlobeKeyManager(const platform::Services& services);

  // Absent when the preference is missing or cannot be read as an integer: an integer counts
  // as it is, and so does a whole real within the integer range (2.0 reads as 2); a boolean, a
  // fractional or out-of-range real, a string and data do not.
  std::optional<GlobeFnUsage> current() const;
  // The preference is present and says the key does nothing.
  bool isGlobeFree() const;

 private:
  std::shared_ptr<platform::Preferences> preferences;
};

}  // namespace kestravane
