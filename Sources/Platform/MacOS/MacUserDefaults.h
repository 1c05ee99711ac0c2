// The application's standard user defaults (NSUserDefaults.standardUserDefaults).
// Threads: any thread (NSUserDefaults is thread-safe).
#pragma once

#include <optional>
#include <string>

#include "Platform/UserDefaults.h"

namespace kestravane::platform::macos {

class MacUserDefaults final : public UserDefaults {
 public:
  std::optional<Data> dataForKey(const std::string& key) override;
  // Absent also for values the seam cannot carry (arrays, dictionaries, dates).
  std::optional<PropertyValue> objectForKey(const std::string& key) override;
  void setObject(const PropertyValue& value, const std::string& key) override;
  void removeObject(const std::string& key) override;
};

}  // namespace kestravane::platform::macos
