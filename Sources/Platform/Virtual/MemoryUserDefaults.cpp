#include "Platform/Virtual/MemoryUserDefaults.h"

#include <utility>

namespace kestravane::platform::vmac {

MemoryUserDefaults::MemoryUserDefaults(UserDefaultsValues initial) : values_(std::move(initial)) {}

std::optional<Data> MemoryUserDefaults::dataForKey(const std::string& key) {
  std::lock_guard lock(mutex_);
  const auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  if (const auto* data = std::get_if<Data>(&found->second)) return *data;
  return std::nullopt;
}

std::optional<PropertyValue> MemoryUserDefaults::objectForKey(const std::string& key) {
  std::lock_guard lock(mutex_);
  const auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

void MemoryUserDefaults::setObject(const PropertyValue& value, const std::string& key) {
  std::lock_guard lock(mutex_);
  values_.insert_or_assign(key, value);
}

void MemoryUserDefaults::removeObject(const std::string& key) {
  std::lock_guard lock(mutex_);
  values_.erase(key);
}

UserDefaultsValues MemoryUserDefaults::values() const {
  std::lock_guard lock(mutex_);
  return values_;
}

void MemoryUserDefaults::replaceValues(UserDefaultsValues values) {
  std::lock_guard lock(mutex_);
  values_ = std::move(values);
}

}  // namespace kestravane::platform::vmac
