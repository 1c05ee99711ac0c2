#include "KestravaneKit/GlobeKeyManager.h"

#include <cmath>
#include <limits>
#include <variant>

#include "Platform/Services.h"

namespace kestravane {
namespace {

constexpr const char* kDomain = "com.apple.HIToolbox";
constexpr const char* kKey = "AppleFnUsageType";

// A preference number as an integer, the way a numeric property-list value converts exactly:
// integers as they are, booleans as 0 or 1, reals only when they are whole and in range.
std::optional<std::int64_t> asInteger(const platform::PropertyValue& value) {
  if (auto* integer = std::get_if<std::int64_t>(&value)) return *integer;
  if (auto* flag = std::get_if<bool>(&value)) return *flag ? 1 : 0;
  if (auto* real = std::get_if<double>(&value)) {
    constexpr double limit = 9223372036854775808.0;  // 2^63
    if (std::trunc(*real) == *real && *real >= -limit && *real < limit) {
      return static_cast<std::int64_t>(*real);
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<GlobeFnUsage> GlobeKeyManager::current() const {
  auto& preferences = *platform::current()->preferences;
  // Picks up a change the user has just made in the keyboard settings.
  preferences.appSynchronize(kDomain);
  auto value = preferences.copyValue(kKey, kDomain, platform::PreferencesUser::currentUser,
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
