// The virtual Mac's HID system: the Caps Lock lock state is the keyboard's own, the one its
// events carry. As reported of macOS since 10.11.6, reading the lock answers "off" whatever it
// is; setting it changes nothing when it is already so, and otherwise changes the flag word of
// later events and posts one flags-changed event of its own (Keyboard::setCapsLockState). The
// keyboard services each have a CapsLockDelayOverride property; the first one (the built-in
// keyboard) decides the virtual keyboard's Caps Lock delay. A failure mode stands for a HID system
// the process cannot reach, another for services that refuse the property.
// Threads: any thread; the keyboards observer is posted to the main queue.
// Locks: one internal mutex, never held while the keyboard delivers.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "Platform/Dispatch.h"
#include "Platform/HIDSystem.h"
#include "Platform/Virtual/Keyboard.h"
#include "Platform/Virtual/MainQueueObserver.h"

namespace kestravane::platform::vmac {

class VirtualHIDSystem final : public HIDSystem {
 public:
  // The registry ID of the built-in keyboard's service.
  static constexpr std::uint64_t kBuiltInKeyboardId = 0x100000a31;

  explicit VirtualHIDSystem(std::shared_ptr<Keyboard> keyboard);

  // Seam.
  std::optional<bool> modifierLockState(ModifierLock lock) override;
  bool setModifierLockState(ModifierLock lock, bool on) override;
  std::vector<KeyboardService> keyboardServices() override;
  bool setCapsLockDelayOverride(std::uint64_t registryId,
                                std::optional<std::int64_t> milliseconds) override;
  void setKeyboardsAttachedObserver(std::function<void()> observer) override;

  // Control.
  // Where the keyboards observer is posted: the main queue.
  void setNotificationQueue(std::shared_ptr<DispatchQueue> mainQueue);
  // While set, every call fails: reads answer nothing and sets change nothing.
  void setUnreachable(bool unreachable) { _unreachable.store(unreachable); }
  // How many lock sets the program asked for, whether they worked or not.
  std::size_t setCount() const { return sets.load(); }
  // A keyboard plugged in (its override absent unless given) or pulled out.
  void attachKeyboard(std::uint64_t registryId,
                      std::optional<std::int64_t> capsLockDelayOverride = std::nullopt);
  bool detachKeyboard(std::uint64_t registryId);
  // While set, the services refuse CapsLockDelayOverride (a property the process may not set).
  void setDelayOverrideRefused(bool refused) { delayOverrideRefused.store(refused); }
  // The service's property as it is now; absent for an unknown service or an unset property.
  std::optional<std::int64_t> capsLockDelayOverride(std::uint64_t registryId) const;

 private:
  void updateKeyboardDelay();

  const std::shared_ptr<Keyboard> keyboard;
  std::atomic<bool> _unreachable{false};
  std::atomic<bool> delayOverrideRefused{false};
  std::atomic<std::size_t> sets{0};
  mutable std::mutex mutex;
  std::vector<KeyboardService> services;  // guarded by mutex
  MainQueueObserver keyboardsAttached;
};

}  // namespace kestravane::platform::vmac
