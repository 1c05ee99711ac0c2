// NSString from and to UTF-8 text, for the Objective-C++ files of this backend only (ARC).
// Threads: free functions; any thread.
#pragma once

#import <Foundation/Foundation.h>

#include <optional>
#include <string>
#include <string_view>

#include "Platform/MacOS/CFConversions.h"

namespace kestravane::platform::macos {

// nil when the text is not valid UTF-8.
inline NSString* toNSString(std::string_view text) {
  return CFBridgingRelease(makeCFString(text).release());
}

// Absent for nil or for an object that is not a string.
inline std::optional<std::string> fromNSString(id text) {
  return stringFromCF((__bridge CFTypeRef)text);
}

}  // namespace kestravane::platform::macos
