#include "KestravaneKit/GlobeKeyManager.h"

#include <cmath>
#include <cstdint>
#include <variant>

namespace kestravane {
namespace {

constexpr const char* kDomain = "com.apple.HIToolbox";
constexpr const char* kKey = "AppleFnUsageType";

// A number that holds an integer exactly counts, as when the system converts a stored number to
// an integer (CFNumberGetValue succeeds for 2.0 but reports 2.5 as lossy). A boolean is not a
// number there, and a fractional or out-of-range real, a string or data says nothing exact
// about the key; reading them as absent keeps the key "not free" rather than risk a tap that
// both switches the layout and runs a system function.
std::optional<std::int64_t> asInteger(const platform::PropertyValue& value) {
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

}  // namespace

GlobeKeyManager::GlobeKeyManager(const platform::Services& services)
    : preferences(services.preferences) {}

std::optional<GlobeFnUsage> GlobeKeyManager::current() const {
  // Picks up a change the user has just made in the keyboard settings.
  preferences->appSynchronize(kDomain);
  auto value = preferences->copyValue(kKey, kDomain, platform::PreferencesUser::currentUser,
                                      platform::PreferencesHost::anyHost);
  if (!value) return std::nullopt;
  auto integer = asInteger(*value);
  if (!integer) return std::nullopt;
  return GlobeFnUsage(*integer);
}

bool GlobeKeyManager::isGlobeFree() const {
  auto usage = current();
  return usage && usage->isDoNothing();
}

}  // namespace kestravane
