// Conversions between the seam's plain values and Core Foundation objects: strings (UTF-8),
// property-list values, and small dictionaries built for a call.
// Threads: free functions without state; any thread.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "Platform/MacOS/CFRef.h"
#include "Platform/PropertyValue.h"

namespace kestravane::platform::macos {

// A CFString of UTF-8 text; empty when the text is not valid UTF-8.
CFRef<CFStringRef> makeCFString(std::string_view text);

// The UTF-8 text of a CFString; absent for null or for an object that is not a string.
std::optional<std::string> stringFromCF(CFTypeRef string);

// A boolean, number, string or data object as a seam value; absent for null and for every other
// type (arrays, dictionaries, dates), which the seam does not carry.
std::optional<PropertyValue> propertyValueFromCF(CFTypeRef value);

// The Core Foundation object for a seam value; empty when a string is not valid UTF-8.
CFRef<CFTypeRef> makePropertyList(const PropertyValue& value);

// A dictionary of CF objects (keys and values are retained by the dictionary); `keys` and
// `values` have the same length.
CFRef<CFDictionaryRef> makeDictionary(std::span<const CFTypeRef> keys,
                                      std::span<const CFTypeRef> values);

}  // namespace kestravane::platform::macos
