#include "Platform/MacOS/MacPreferences.h"

#include <CoreFoundation/CoreFoundation.h>

#include "Platform/MacOS/CFConversions.h"

namespace kestravane::platform::macos {
namespace {

// The seam's name of the global domain stands for the framework's own constant.
CFRef<CFStringRef> domainFor(const std::string& applicationID) {
  if (applicationID == kPreferencesAnyApplication) {
    return CFRef<CFStringRef>::retain(kCFPreferencesAnyApplication);
  }
  return makeCFString(applicationID);
}

}  // namespace

bool MacPreferences::appSynchronize(const std::string& applicationID) {
  auto domain = domainFor(applicationID);
  return domain && CFPreferencesAppSynchronize(domain.get()) != 0;
}

std::optional<PropertyValue> MacPreferences::copyValue(const std::string& key,
                                                       const std::string& applicationID,
                                                       PreferencesUser user, PreferencesHost host) {
  auto cfKey = makeCFString(key);
  auto domain = domainFor(applicationID);
  if (!cfKey || !domain) return std::nullopt;
  CFStringRef userName =
      user == PreferencesUser::currentUser ? kCFPreferencesCurrentUser : kCFPreferencesAnyUser;
  CFStringRef hostName =
      host == PreferencesHost::currentHost ? kCFPreferencesCurrentHost : kCFPreferencesAnyHost;
  // The Copy rule: the value is ours to release.
  auto value = CFRef<CFPropertyListRef>::adopt(
      CFPreferencesCopyValue(cfKey.get(), domain.get(), userName, hostName));
  return propertyValueFromCF(value.get());
}

}  // namespace kestravane::platform::macos
