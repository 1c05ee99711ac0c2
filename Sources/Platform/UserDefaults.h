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

  // Why the stored values could not be read when they were loaded (they are then empty, or
  // lack what could not be read); absent when they could, and where the system does not tell.
  virtual std::optional<std::string> loadError() const { return std::nullopt; }
  // Why the latest change could not be stored; absent after one that was, and where the
  // system does not tell (NSUserDefaults stores in the background and reports nothing).
  virtual std::optional<std::string> lastWriteError() const { return std::nullopt; }
  // The program could not use the value stored under `key` (`reason` says why) and will store
  // another over it. Defaults kept in a file of the program's own keep a copy of that file
  // before it is next replaced; the system's defaults have nothing to do.
  virtual void reportUnusableValue(const std::string& /*key*/, const std::string& /*reason*/) {}
};

}  // namespace kestravane::platform
