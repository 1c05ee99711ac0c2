// The HID system's parameters that the program touches: the keyboard's modifier lock states
// (IOHIDGetModifierLockState, IOHIDSetModifierLockState on the HID system's parameter
// connection). The Caps Lock state lives here, below every event tap: a tap that swallows the
// Caps Lock key's event does not stop the lock from toggling.
// Threads: any thread.
#pragma once

#include <optional>

namespace kestravane::platform {

// The selectors of IOHIDParameter.h.
enum class ModifierLock : int {
  capsLock = 1,  // kIOHIDCapsLockState
};

class HIDSystem {
 public:
  virtual ~HIDSystem() = default;
  // IOHIDGetModifierLockState(connection, lock, &state): whether the lock is on; absent when the
  // HID system cannot be reached or does not answer.
  virtual std::optional<bool> modifierLockState(ModifierLock lock) = 0;
  // IOHIDSetModifierLockState(connection, lock, on): whether the HID system took it.
  virtual bool setModifierLockState(ModifierLock lock, bool on) = 0;
};

}  // namespace kestravane::platform
