// The HID event system's keyboard services through one simple client
// (IOHIDEventSystemClientCreateSimpleClient): which services are keyboards, their registry ids,
// and their "CapsLockDelayOverride" property, read and set.
// Threads: any thread; every call holds one lock, under which the client is made on first use
//   (again at the next call if making it failed) and used.
// Ownership: the client is the object's; a service is looked up again by registry id at each call,
//   so no service reference outlives a call.
#pragma once

#include <IOKit/hidsystem/IOHIDEventSystemClient.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "Platform/HIDSystem.h"
#include "Platform/MacOS/CFRef.h"

namespace kestravane::platform::macos {

// The value to set for a Caps Lock delay override: `milliseconds` itself, or -1 for absent.
// IOHIDKeyboardFilter (IOHIDFamily) keeps the override as a signed 32-bit number that starts at
// -1, uses it only when it is above 0 (0 turns the delay off) and otherwise falls back to its own
// delay, 75 ms unless the keyboard states another; it ignores a set of anything that is not a
// number, so removing the property is not possible and -1 is what puts its own delay back.
// Absent (refused) for a value the filter's 32-bit field cannot hold.
std::optional<std::int32_t> capsLockDelayOverrideValue(std::optional<std::int64_t> milliseconds);

class MacHIDEventSystemClient {
 public:
  MacHIDEventSystemClient() = default;
  MacHIDEventSystemClient(const MacHIDEventSystemClient&) = delete;
  MacHIDEventSystemClient& operator=(const MacHIDEventSystemClient&) = delete;

  // The services that conform to Generic Desktop / Keyboard, with their overrides (a property
  // that is not a number counts as absent); empty without an event system.
  std::vector<KeyboardService> keyboardServices();
  // IOHIDServiceClientSetProperty on the service of `registryId`; false when it is not listed,
  // the value is refused by capsLockDelayOverrideValue(), or the event system refuses the set.
  bool setCapsLockDelayOverride(std::uint64_t registryId, std::optional<std::int64_t> milliseconds);

  struct Listed {
    std::vector<std::uint64_t> registryIds;  // those of the asked ids the event system lists
    bool anyKeyboard = false;                // whether one of them is a keyboard
  };
  Listed listed(std::span<const std::uint64_t> registryIds);

 private:
  // The services, or empty when there is no client or no list; with mutex held.
  CFRef<CFArrayRef> copyServicesLocked();

  std::mutex mutex;
  CFRef<IOHIDEventSystemClientRef> client;  // guarded by mutex
};

}  // namespace kestravane::platform::macos
