#include "Platform/MacOS/MacHIDEventSystemClient.h"

#include <IOKit/hid/IOHIDProperties.h>
#include <IOKit/hid/IOHIDUsageTables.h>
#include <IOKit/hidsystem/IOHIDServiceClient.h>

#include <algorithm>
#include <limits>

namespace kestravane::platform::macos {
namespace {

CFStringRef delayOverrideKey() {
  return CFSTR(kIOHIDKeyboardCapsLockDelayOverrideKey);
}

std::optional<std::int64_t> int64FromCF(CFTypeRef value) {
  if (value == nullptr || CFGetTypeID(value) != CFNumberGetTypeID()) return std::nullopt;
  std::int64_t number = 0;
  // False when the number had to be rounded (a float): not a delay in milliseconds then.
  if (!CFNumberGetValue(static_cast<CFNumberRef>(value), kCFNumberSInt64Type, &number)) {
    return std::nullopt;
  }
  return number;
}

std::optional<std::uint64_t> registryIdOf(IOHIDServiceClientRef service) {
  // The Get rule: the number belongs to the service.
  const auto id = int64FromCF(IOHIDServiceClientGetRegistryID(service));
  if (!id) return std::nullopt;
  return static_cast<std::uint64_t>(*id);
}

bool isKeyboard(IOHIDServiceClientRef service) {
  return IOHIDServiceClientConformsTo(service, kHIDPage_GenericDesktop, kHIDUsage_GD_Keyboard) != 0;
}

// The service at `index`, or null for an element that is not a service client.
IOHIDServiceClientRef serviceAt(CFArrayRef services, CFIndex index) {
  const void* item = CFArrayGetValueAtIndex(services, index);
  if (item == nullptr || CFGetTypeID(item) != IOHIDServiceClientGetTypeID()) return nullptr;
  return static_cast<IOHIDServiceClientRef>(const_cast<void*>(item));
}

}  // namespace

std::optional<std::int32_t> capsLockDelayOverrideValue(std::optional<std::int64_t> milliseconds) {
  if (!milliseconds) return -1;
  if (*milliseconds < 0 || *milliseconds > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int32_t>(*milliseconds);
}

CFRef<CFArrayRef> MacHIDEventSystemClient::copyServicesLocked() {
  if (!client)
    client = CFRef<IOHIDEventSystemClientRef>::adopt(
        IOHIDEventSystemClientCreateSimpleClient(kCFAllocatorDefault));
  if (!client) return {};
  auto services = CFRef<CFArrayRef>::adopt(IOHIDEventSystemClientCopyServices(client.get()));
  if (services && CFGetTypeID(services.get()) != CFArrayGetTypeID()) return {};
  return services;
}

std::vector<KeyboardService> MacHIDEventSystemClient::keyboardServices() {
  std::lock_guard guard(mutex);
  const auto services = copyServicesLocked();
  std::vector<KeyboardService> keyboards;
  if (!services) return keyboards;
  const CFIndex count = CFArrayGetCount(services.get());
  for (CFIndex i = 0; i < count; ++i) {
    IOHIDServiceClientRef service = serviceAt(services.get(), i);
    if (service == nullptr || !isKeyboard(service)) continue;
    const auto id = registryIdOf(service);
    if (!id) continue;
    const auto property =
        CFRef<CFTypeRef>::adopt(IOHIDServiceClientCopyProperty(service, delayOverrideKey()));
    keyboards.push_back(KeyboardService{*id, int64FromCF(property.get())});
  }
  return keyboards;
}

bool MacHIDEventSystemClient::setCapsLockDelayOverride(std::uint64_t registryId,
                                                       std::optional<std::int64_t> milliseconds) {
  const auto value = capsLockDelayOverrideValue(milliseconds);
  if (!value) return false;
  const std::int32_t raw = *value;
  const auto number =
      CFRef<CFNumberRef>::adopt(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt32Type, &raw));
  if (!number) return false;
  std::lock_guard guard(mutex);
  const auto services = copyServicesLocked();
  if (!services) return false;
  const CFIndex count = CFArrayGetCount(services.get());
  for (CFIndex i = 0; i < count; ++i) {
    IOHIDServiceClientRef service = serviceAt(services.get(), i);
    if (service == nullptr || registryIdOf(service) != registryId) continue;
    return IOHIDServiceClientSetProperty(service, delayOverrideKey(), number.get()) != 0;
  }
  return false;  // gone
}

MacHIDEventSystemClient::Listed MacHIDEventSystemClient::listed(
    std::span<const std::uint64_t> registryIds) {
  Listed found;
  std::lock_guard guard(mutex);
  const auto services = copyServicesLocked();
  if (!services) return found;
  const CFIndex count = CFArrayGetCount(services.get());
  for (CFIndex i = 0; i < count; ++i) {
    IOHIDServiceClientRef service = serviceAt(services.get(), i);
    if (service == nullptr) continue;
    const auto id = registryIdOf(service);
    if (!id || std::find(registryIds.begin(), registryIds.end(), *id) == registryIds.end()) {
      continue;
    }
    found.registryIds.push_back(*id);
    found.anyKeyboard = found.anyKeyboard || isKeyboard(service);
  }
  return found;
}

}  // namespace kestravane::platform::macos
