#include "Platform/MacOS/CFConversions.h"

#include <cstdint>
#include <variant>

namespace kestravane::platform::macos {
namespace {

// Overload set for std::visit.
template <typename... Cases>
struct Overloaded : Cases... {
  using Cases::operator()...;
};
template <typename... Cases>
Overloaded(Cases...) -> Overloaded<Cases...>;

std::optional<PropertyValue> numberValue(CFNumberRef number) {
  if (!CFNumberIsFloatType(number)) {
    std::int64_t integer = 0;
    // False when the value does not fit (an unsigned 64-bit number above the signed range).
    if (CFNumberGetValue(number, kCFNumberSInt64Type, &integer)) return integer;
  }
  double real = 0;
  if (CFNumberGetValue(number, kCFNumberFloat64Type, &real)) return real;
  return std::nullopt;
}

Data dataValue(CFDataRef data) {
  const CFIndex length = CFDataGetLength(data);
  const UInt8* bytes = CFDataGetBytePtr(data);
  if (length <= 0 || bytes == nullptr) return {};
  return Data(bytes, bytes + length);
}

}  // namespace

CFRef<CFStringRef> makeCFString(std::string_view text) {
  return CFRef<CFStringRef>::adopt(
      CFStringCreateWithBytes(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(text.data()),
                              static_cast<CFIndex>(text.size()), kCFStringEncodingUTF8, false));
}

std::optional<std::string> stringFromCF(CFTypeRef object) {
  if (object == nullptr || CFGetTypeID(object) != CFStringGetTypeID()) return std::nullopt;
  const auto string = static_cast<CFStringRef>(object);
  const CFRange whole = CFRangeMake(0, CFStringGetLength(string));
  // First the length in UTF-8, then the bytes; embedded NUL characters survive.
  CFIndex byteCount = 0;
  CFStringGetBytes(string, whole, kCFStringEncodingUTF8, 0, false, nullptr, 0, &byteCount);
  std::string text(static_cast<std::size_t>(byteCount), '\0');
  CFIndex written = 0;
  CFStringGetBytes(string, whole, kCFStringEncodingUTF8, 0, false,
                   reinterpret_cast<UInt8*>(text.data()), byteCount, &written);
  text.resize(static_cast<std::size_t>(written));
  return text;
}

std::optional<PropertyValue> propertyValueFromCF(CFTypeRef value) {
  if (value == nullptr) return std::nullopt;
  const CFTypeID type = CFGetTypeID(value);
  if (type == CFBooleanGetTypeID()) {
    return PropertyValue(CFBooleanGetValue(static_cast<CFBooleanRef>(value)) != 0);
  }
  if (type == CFNumberGetTypeID()) return numberValue(static_cast<CFNumberRef>(value));
  if (type == CFStringGetTypeID()) {
    auto text = stringFromCF(value);
    if (!text) return std::nullopt;
    return PropertyValue(std::move(*text));
  }
  if (type == CFDataGetTypeID()) return PropertyValue(dataValue(static_cast<CFDataRef>(value)));
  return std::nullopt;
}

CFRef<CFTypeRef> makePropertyList(const PropertyValue& value) {
  return std::visit(
      Overloaded{
          [](bool flag) {
            return CFRef<CFTypeRef>::retain(flag ? kCFBooleanTrue : kCFBooleanFalse);
          },
          [](std::int64_t integer) {
            return CFRef<CFTypeRef>::adopt(
                CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt64Type, &integer));
          },
          [](double real) {
            return CFRef<CFTypeRef>::adopt(
                CFNumberCreate(kCFAllocatorDefault, kCFNumberFloat64Type, &real));
          },
          [](const std::string& text) {
            return CFRef<CFTypeRef>::adopt(makeCFString(text).release());
          },
          [](const Data& bytes) {
            return CFRef<CFTypeRef>::adopt(CFDataCreate(kCFAllocatorDefault, bytes.data(),
                                                        static_cast<CFIndex>(bytes.size())));
          },
      },
      value);
}

CFRef<CFDictionaryRef> makeDictionary(std::span<const CFTypeRef> keys,
                                      std::span<const CFTypeRef> values) {
  const std::size_t count = keys.size() < values.size() ? keys.size() : values.size();
  return CFRef<CFDictionaryRef>::adopt(
      CFDictionaryCreate(kCFAllocatorDefault, const_cast<const void**>(keys.data()),
                         const_cast<const void**>(values.data()), static_cast<CFIndex>(count),
                         &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
}

}  // namespace kestravane::platform::macos
