// What the system does with the Globe/fn key, from the preference "AppleFnUsageType".
// Threads: immutable value; usable from any thread.
#pragma once

#include <cstdint>
#include <optional>

namespace kestravane {

class GlobeFnUsage {
 public:
  // 0 is doNothing; every other value, negative ones included, is occupied by that value.
  explicit GlobeFnUsage(std::int64_t rawValue);

  static GlobeFnUsage doNothing() { return GlobeFnUsage(Case{}, std::nullopt); }
  // Any value, 0 included, names a bound key when built through this case.
  static GlobeFnUsage occupied(std::int64_t value) { return GlobeFnUsage(Case{}, value); }

  bool isDoNothing() const { return !_occupiedValue.has_value(); }
  // The preference's value when the key is bound to a system function.
  std::optional<std::int64_t> occupiedValue() const { return _occupiedValue; }

  // Only a key without a system function may serve as the trigger.
  bool isFreeForTrigger() const { return isDoNothing(); }

  friend bool operator==(const GlobeFnUsage&, const GlobeFnUsage&) = default;

 private:
  struct Case {};
  GlobeFnUsage(Case, std::optional<std::int64_t> occupiedValue) : _occupiedValue(occupiedValue) {}

  std::optional<std::int64_t> _occupiedValue;  // absent for doNothing
};

}  // namespace kestravane
