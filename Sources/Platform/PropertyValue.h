// A property-list value as the system stores it in preferences, user defaults and the bundle's
// Info dictionary.
// Threads: a plain value.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace kestravane::platform {

using Data = std::vector<std::uint8_t>;

// CFBoolean, CFNumber (integer or real), CFString, CFData.
using PropertyValue = std::variant<bool, std::int64_t, double, std::string, Data>;

}  // namespace kestravane::platform
