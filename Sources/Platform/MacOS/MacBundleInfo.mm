#include "Platform/MacOS/MacBundleInfo.h"

#import <Foundation/Foundation.h>

#include "Platform/MacOS/NSStrings.h"

namespace kestravane::platform::macos {

std::optional<PropertyValue> MacBundleInfo::objectForInfoDictionaryKey(const std::string& key) {
  NSString* name = toNSString(key);
  if (name == nil) return std::nullopt;
  id value = [NSBundle.mainBundle objectForInfoDictionaryKey:name];
  return propertyValueFromCF((__bridge CFTypeRef)value);
}

}  // namespace kestravane::platform::macos
