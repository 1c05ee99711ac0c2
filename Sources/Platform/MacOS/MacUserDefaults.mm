#include "Platform/MacOS/MacUserDefaults.h"

#import <Foundation/Foundation.h>

#include <cstdint>

#include "Platform/MacOS/NSStrings.h"

namespace kestravane::platform::macos {

std::optional<Data> MacUserDefaults::dataForKey(const std::string& key) {
  NSString* name = toNSString(key);
  if (name == nil) return std::nullopt;
  NSData* data = [NSUserDefaults.standardUserDefaults dataForKey:name];
  if (data == nil) return std::nullopt;
  const auto* bytes = static_cast<const std::uint8_t*>(data.bytes);
  if (bytes == nullptr || data.length == 0) return Data{};
  return Data(bytes, bytes + data.length);
}

std::optional<PropertyValue> MacUserDefaults::objectForKey(const std::string& key) {
  NSString* name = toNSString(key);
  if (name == nil) return std::nullopt;
  id value = [NSUserDefaults.standardUserDefaults objectForKey:name];
  return propertyValueFromCF((__bridge CFTypeRef)value);
}

void MacUserDefaults::setObject(const PropertyValue& value, const std::string& key) {
  NSString* name = toNSString(key);
  id object = CFBridgingRelease(makePropertyList(value).release());
  if (name == nil || object == nil) return;  // text that is not UTF-8 cannot be stored
  [NSUserDefaults.standardUserDefaults setObject:object forKey:name];
}

void MacUserDefaults::removeObject(const std::string& key) {
  NSString* name = toNSString(key);
  if (name == nil) return;
  [NSUserDefaults.standardUserDefaults removeObjectForKey:name];
}

}  // namespace kestravane::platform::macos
