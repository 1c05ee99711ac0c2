// The application's standard user defaults (NSUserDefaults.standardUserDefaults).
// Threads: any thread.
#pragma once

#include <optional>
#include <string>

#include "Platform/PropertyValue.h"

namespace kestravane::platform {

class UserDefaults {
 public:
  virtual ~UserDefaults() = default;
  // dataForKey: the blob, or absent when there is no value or it is not a data blob.
  virtual std::optional<Data> dataForKey(const std::string& key) = 0;
  // objectForKey: any stored value.
  virtual std::optional<PropertyValue> objectForKey(const std::string& key) = 0;
  // setObject:forKey: replaces any previous value.
  virtual void setObject(const PropertyValue& value, const std::string& key) = 0;
  // removeObjectForKey:.
  virtual void removeObject(const std::string& key) = 0;
};

}  // namespace kestravane::platform
