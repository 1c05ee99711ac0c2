// User defaults that live only in memory, for tests: typed values per key, nothing persisted.
// Threads: any thread.
// Locks: one internal mutex around every call.
#pragma once

#include <mutex>

#include "Platform/Host/UserDefaultsJson.h"
#include "Platform/UserDefaults.h"

namespace kestravane::platform::host {

class MemoryUserDefaults final : public UserDefaults {
 public:
  MemoryUserDefaults() = default;
  explicit MemoryUserDefaults(UserDefaultsValues initial);

  // Seam.
  std::optional<Data> dataForKey(const std::string& key) override;
  std::optional<PropertyValue> objectForKey(const std::string& key) override;
  void setObject(const PropertyValue& value, const std::string& key) override;
  void removeObject(const std::string& key) override;

  // Control: everything stored, e.g. to check that a read wrote nothing.
  UserDefaultsValues values() const;
  void replaceValues(UserDefaultsValues values);

 private:
  mutable std::mutex mutex;
  UserDefaultsValues _values;
};

}  // namespace kestravane::platform::host
