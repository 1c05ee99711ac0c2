#include "Platform/MacOS/MacAccessibility.h"

#include <ApplicationServices/ApplicationServices.h>
#include <Carbon/Carbon.h>

#include <vector>

#include "Platform/MacOS/CFConversions.h"

namespace kestravane::platform::macos {
namespace {

CFRef<CFStringRef> optionKey(const std::string& name) {
  if (name == platform::kAXTrustedCheckOptionPrompt) {
    return CFRef<CFStringRef>::retain(::kAXTrustedCheckOptionPrompt);
  }
  return makeCFString(name);
}

}  // namespace

bool MacAccessibility::isProcessTrusted() {
  return AXIsProcessTrusted() != 0;
}

bool MacAccessibility::isProcessTrustedWithOptions(const std::map<std::string, bool>& options) {
  std::vector<CFRef<CFStringRef>> keys;
  std::vector<CFTypeRef> rawKeys;
  std::vector<CFTypeRef> values;
  for (const auto& [name, flag] : options) {
    auto key = optionKey(name);
    if (!key) continue;
    rawKeys.push_back(key.get());
    values.push_back(flag ? kCFBooleanTrue : kCFBooleanFalse);
    keys.push_back(std::move(key));
  }
  auto dictionary = makeDictionary(rawKeys, values);
  return AXIsProcessTrustedWithOptions(dictionary.get()) != 0;
}

bool MacAccessibility::isSecureEventInputEnabled() {
  return IsSecureEventInputEnabled() != 0;
}

}  // namespace kestravane::platform::macos
