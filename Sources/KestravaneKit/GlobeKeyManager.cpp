#include "KestravaneKit/GlobeKeyManager.h"

#include <cstdint>
#include <variant>

#include "Platform/Services.h"

namespace kestravane {
namespace {

constexpr const char* kDomain = "com.apple.HIToolbox";
constexpr const char* kKey = "AppleFnUsageType";

// Only an integer number counts, as for the system's own integer reading of a preference
// (CFPreferencesGetAppIntegerValue): a boolean is not a number there and a real is not an
// integer, so neither says what the system does with the key. Reading them as absent keeps the
// key "not free" rather than risk a tap that both switches the layout and runs a system function.
std::optional<std::int64_t> asInteger(const platform::PropertyValue& value) {
  if (const auto* integer = std::get_if<std::int64_t>(&value)) return *integer;
  return std::nullopt;
}

}  // namespace

std::optional<GlobeFnUsage> GlobeKeyManager::current() const {
  const auto preferences = platform::current()->preferences;
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
