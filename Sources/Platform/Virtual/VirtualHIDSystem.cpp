#include "Platform/Virtual/VirtualHIDSystem.h"

#include <utility>

namespace kestravane::platform::vmac {

VirtualHIDSystem::VirtualHIDSystem(std::shared_ptr<Keyboard> keyboard)
    : keyboard(std::move(keyboard)) {}

std::optional<bool> VirtualHIDSystem::modifierLockState(ModifierLock lock) {
  if (_unreachable.load() || lock != ModifierLock::capsLock) return std::nullopt;
  return keyboard->capsLockOn();
}

bool VirtualHIDSystem::setModifierLockState(ModifierLock lock, bool on) {
  sets.fetch_add(1);
  if (_unreachable.load() || lock != ModifierLock::capsLock) return false;
  keyboard->setCapsLockState(on);
  return true;
}

}  // namespace kestravane::platform::vmac
