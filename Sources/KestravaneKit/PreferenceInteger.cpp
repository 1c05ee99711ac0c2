#include "KestravaneKit/PreferenceInteger.h"

#include <cmath>
#include <variant>

namespace kestravane {

// A number that holds an integer exactly counts, as when the system converts a stored number to
// an integer (CFNumberGetValue succeeds for 2.0 but reports 2.5 as lossy). A boolean is not a
// number there.
std::optional<std::int64_t> preferenceInteger(const platform::PropertyValue& value) {
  if (const auto* integer = std::get_if<std::int64_t>(&value)) return *integer;
  if (const auto* real = std::get_if<double>(&value)) {
    // [-2^63, 2^63) are the reals whose integer part fits; both bounds are exact doubles.
    constexpr double lowest = -9223372036854775808.0;
    constexpr double beyondHighest = 9223372036854775808.0;
    if (std::isfinite(*real) && std::trunc(*real) == *real && *real >= lowest &&
        *real < beyondHighest) {
      return static_cast<std::int64_t>(*real);
    }
  }
  return std::nullopt;
}

}  // namespace kestravane
