// The HID system's modifier lock states through IOKit (a connection of type
// kIOHIDParamConnectType to the IOHIDSystem service, and IOHIDGetModifierLockState /
// IOHIDSetModifierLockState on it) and the keyboard services' Caps Lock delay through the HID
// event system (MacHIDEventSystemClient, MacKeyboardsWatcher).
// Threads: any thread; the lock-state calls hold one lock, under which the connection is opened
//   on first use (again at the next call if opening failed) and used. The keyboards observer is
//   set on the main thread and called there.
// Ownership: the connection is the object's and is closed when the object goes; the watcher is
//   destroyed on the main thread (handed to the main queue when the object goes elsewhere).
#pragma once

#include <IOKit/IOKitLib.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "Platform/HIDSystem.h"
#include "Platform/MacOS/MacHIDEventSystemClient.h"
#include "Platform/MacOS/MacKeyboardsWatcher.h"

namespace kestravane::platform::macos {

class MacHIDSystem final : public HIDSystem {
 public:
  MacHIDSystem();
  ~MacHIDSystem() override;
  MacHIDSystem(const MacHIDSystem&) = delete;
  MacHIDSystem& operator=(const MacHIDSystem&) = delete;

  std::optional<bool> modifierLockState(ModifierLock lock) override;
  bool setModifierLockState(ModifierLock lock, bool on) override;
  std::vector<KeyboardService> keyboardServices() override;
  bool setCapsLockDelayOverride(std::uint64_t registryId,
                                std::optional<std::int64_t> milliseconds) override;
  // Starts watching on the first observer; an empty function stops it.
  void setKeyboardsAttachedObserver(std::function<void()> observer) override;

 private:
  // The open connection, or IO_OBJECT_NULL when the HID system cannot be reached; with mutex held.
  io_connect_t connectionLocked();

  std::mutex mutex;
  io_connect_t connection = IO_OBJECT_NULL;  // guarded by mutex
  const std::shared_ptr<MacHIDEventSystemClient> eventSystem;
  std::shared_ptr<MacKeyboardsWatcher> watcher;  // main thread only
};

}  // namespace kestravane::platform::macos
