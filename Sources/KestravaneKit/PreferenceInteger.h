// How the program reads a number that the system stores in its preferences.
// Threads: a pure function.
#pragma once

#include <cstdint>
#include <optional>

#include "Platform/PropertyValue.h"

namespace kestravane {

// An integer as it is; a whole real within the integer range as that integer (2.0 reads as 2);
// absent for a boolean, a fractional or out-of-range real, a string and data.
std::optional<std::int64_t> preferenceInteger(const platform::PropertyValue& value);

}  // namespace kestravane
