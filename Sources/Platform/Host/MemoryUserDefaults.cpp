#include "Platform/Host/MemoryUserDefaults.h"

#include <utility>

namespace kestravane::platform::host {

MemoryUserDefaults::MemoryUserDefaults(UserDefaultsValues initial) : _values(std::move(initial)) {}

std::optional<Data> MemoryUserDefaults::dataForKey(const std::string& key) {
  std::lock_guard lock(mutex);
  const auto found = _values.find(key);
  if (found == _values.end()) return std::nullopt;
  if (const auto* data = std::get_if<Data>(&found->second)) return *data;
  return std::nullopt;
}

std::optional<PropertyValue> MemoryUserDefaults::objectForKey(const std::string& key) {
  std::lock_guard lock(mutex);
  const auto found = _values.find(key);
  if (found == _values.end()) return std::nullopt;
  return found->second;
}

void MemoryUserDefaults::setObject(const PropertyValue& value, const std::string& key) {
  std::lock_guard lock(mutex);
  _values.insert_or_assign(key, value);
}

void MemoryUserDefaults::removeObject(const std::string& key) {
  std::lock_guard lock(mutex);
  _values.erase(key);
}

UserDefaultsValues MemoryUserDefaults::values() const {
  std::lock_guard lock(mutex);
  return _values;
}

void MemoryUserDefaults::replaceValues(UserDefaultsValues values) {
  std::lock_guard lock(mutex);
  _values = std::move(values);
}

}  // namespace kestravane::platform::host
