#include "Platform/Virtual/VirtualHIDSystem.h"

#include <algorithm>
#include <utility>

namespace kestravane::platform::vmac {

VirtualHIDSystem::VirtualHIDSystem(std::shared_ptr<Keyboard> keyboard)
    : keyboard(std::move(keyboard)), services{KeyboardService{kBuiltInKeyboardId, std::nullopt}} {
  updateKeyboardDelay();
}

std::optional<bool> VirtualHIDSystem::modifierLockState(ModifierLock lock) {
  if (_unreachable.load() || lock != ModifierLock::capsLock) return std::nullopt;
  return false;  // what macOS answers, whatever the lock is
}

bool VirtualHIDSystem::setModifierLockState(ModifierLock lock, bool on) {
  sets.fetch_add(1);
  if (_unreachable.load() || lock != ModifierLock::capsLock) return false;
  keyboard->setCapsLockState(on);
  return true;
}

std::vector<KeyboardService> VirtualHIDSystem::keyboardServices() {
  if (_unreachable.load()) return {};
  std::lock_guard lock(mutex);
  return services;
}

bool VirtualHIDSystem::setCapsLockDelayOverride(std::uint64_t registryId,
                                                std::optional<std::int64_t> milliseconds) {
  if (_unreachable.load() || delayOverrideRefused.load()) return false;
  {
    std::lock_guard lock(mutex);
    const auto found = std::find_if(services.begin(), services.end(),
                                    [&](const auto& s) { return s.registryId == registryId; });
    if (found == services.end()) return false;
    found->capsLockDelayOverride = milliseconds;
  }
  updateKeyboardDelay();
  return true;
}

void VirtualHIDSystem::setKeyboardsAttachedObserver(std::function<void()> observer) {
  keyboardsAttached.set(std::move(observer));
}

void VirtualHIDSystem::setNotificationQueue(std::shared_ptr<DispatchQueue> mainQueue) {
  keyboardsAttached.setQueue(std::move(mainQueue));
}

void VirtualHIDSystem::attachKeyboard(std::uint64_t registryId,
                                      std::optional<std::int64_t> capsLockDelayOverride) {
  {
    std::lock_guard lock(mutex);
    services.push_back(KeyboardService{registryId, capsLockDelayOverride});
  }
  updateKeyboardDelay();
  keyboardsAttached.notify();
}

bool VirtualHIDSystem::detachKeyboard(std::uint64_t registryId) {
  {
    std::lock_guard lock(mutex);
    const auto removed =
        std::erase_if(services, [&](const auto& s) { return s.registryId == registryId; });
    if (removed == 0) return false;
  }
  updateKeyboardDelay();
  return true;
}

std::optional<std::int64_t> VirtualHIDSystem::capsLockDelayOverride(
    std::uint64_t registryId) const {
  std::lock_guard lock(mutex);
  for (const auto& service : services) {
    if (service.registryId == registryId) return service.capsLockDelayOverride;
  }
  return std::nullopt;
}

void VirtualHIDSystem::updateKeyboardDelay() {
  std::optional<std::int64_t> override;
  {
    std::lock_guard lock(mutex);
    if (!services.empty()) override = services.front().capsLockDelayOverride;
  }
  // A negative override counts as none, as the filter's signed field would.
  const bool overridden = override && *override >= 0;
  keyboard->setCapsLockDelayMs(overridden ? static_cast<std::uint64_t>(*override)
                                          : Keyboard::kCapsLockDelayMs);
}

}  // namespace kestravane::platform::vmac
