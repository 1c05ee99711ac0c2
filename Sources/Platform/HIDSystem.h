// The HID system's parameters that the program touches: the keyboard's modifier lock states
// (IOHIDGetModifierLockState, IOHIDSetModifierLockState on the HID system's parameter
// connection), and the keyboard services' Caps Lock delay (IOHIDEventSystemClient's services and
// their "CapsLockDelayOverride" property). The Caps Lock state lives here, below every event tap:
// a tap that swallows the Caps Lock key's event does not stop the lock from toggling.
// Threads: any thread, but the keyboards observer, which is set and called on the main thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace kestravane::platform {

// The selectors of IOHIDParameter.h.
enum class ModifierLock : int {
  capsLock = 1,  // kIOHIDCapsLockState
};

// kIOHIDKeyboardCapsLockDelayOverrideKey: how long (ms) a Caps Lock press must last before the
// keyboard filter lets it through while the lock is off; the filter's own delay is 75 ms.
inline constexpr std::string_view kCapsLockDelayOverrideKey = "CapsLockDelayOverride";

// One keyboard service of the HID event system (IOHIDServiceClientRef).
struct KeyboardService {
  std::uint64_t registryId = 0;  // IOHIDServiceClientGetRegistryID: stable while attached
  // IOHIDServiceClientCopyProperty(service, CapsLockDelayOverride): absent when never set.
  std::optional<std::int64_t> capsLockDelayOverride;

  bool operator==(const KeyboardService&) const = default;
};

class HIDSystem {
 public:
  virtual ~HIDSystem() = default;
  // IOHIDGetModifierLockState(connection, lock, &state): whether the lock is on; absent when the
  // HID system cannot be reached or does not answer. On macOS since 10.11.6 it has been reported
  // to answer "off" whatever the lock is: do not decide anything on it.
  virtual std::optional<bool> modifierLockState(ModifierLock lock) = 0;
  // IOHIDSetModifierLockState(connection, lock, on): whether the HID system took it. When the
  // state changes, the HID system posts a flags-changed event of its own (not of key 57).
  virtual bool setModifierLockState(ModifierLock lock, bool on) = 0;

  // The keyboards attached now (IOHIDEventSystemClientCopyServices of a simple client, those
  // conforming to Generic Desktop / Keyboard); empty where there are none or no HID event system.
  virtual std::vector<KeyboardService> keyboardServices() = 0;
  // IOHIDServiceClientSetProperty(service, CapsLockDelayOverride, ms); absent puts the filter's
  // own delay back. False when the service is gone or refused it.
  virtual bool setCapsLockDelayOverride(std::uint64_t registryId,
                                        std::optional<std::int64_t> milliseconds) = 0;
  // Called on the main thread after keyboards were attached (not for those attached before);
  // an empty function stops the calls.
  virtual void setKeyboardsAttachedObserver(std::function<void()> observer) = 0;
};

}  // namespace kestravane::platform
