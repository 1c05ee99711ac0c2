// The HID system's modifier lock states through IOKit: a connection of type
// kIOHIDParamConnectType to the IOHIDSystem service, and IOHIDGetModifierLockState /
// IOHIDSetModifierLockState on it.
// Threads: any thread; every call holds one lock, under which the connection is opened on first
//   use (again at the next call if opening failed) and used.
// Ownership: the connection is the object's and is closed when the object goes.
#pragma once

#include <IOKit/IOKitLib.h>

#include <mutex>
#include <optional>

#include "Platform/HIDSystem.h"

namespace kestravane::platform::macos {

class MacHIDSystem final : public HIDSystem {
 public:
  MacHIDSystem() = default;
  ~MacHIDSystem() override;
  MacHIDSystem(const MacHIDSystem&) = delete;
  MacHIDSystem& operator=(const MacHIDSystem&) = delete;

  std::optional<bool> modifierLockState(ModifierLock lock) override;
  bool setModifierLockState(ModifierLock lock, bool on) override;

 private:
  // The open connection, or IO_OBJECT_NULL when the HID system cannot be reached; with mutex held.
  io_connect_t connectionLocked();

  std::mutex mutex;
  io_connect_t connection = IO_OBJECT_NULL;  // guarded by mutex
};

}  // namespace kestravane::platform::macos
