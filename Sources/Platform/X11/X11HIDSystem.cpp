#include "Platform/X11/X11HIDSystem.h"

#include <X11/XKBlib.h>

namespace kestravane::platform::x11 {
namespace {

unsigned int modifierMask(ModifierLock lock) {
  switch (lock) {
    case ModifierLock::capsLock:
      return LockMask;
  }
  return 0;
}

}  // namespace

std::optional<bool> X11HIDSystem::modifierLockState(ModifierLock lock) {
  XkbStateRec state{};
  if (XkbGetState(connection->display(), XkbUseCoreKbd, &state) != Success) return std::nullopt;
  return (state.locked_mods & modifierMask(lock)) != 0;
}

bool X11HIDSystem::setModifierLockState(ModifierLock lock, bool on) {
  const unsigned int mask = modifierMask(lock);
  ErrorTrap trap;
  if (!XkbLockModifiers(connection->display(), XkbUseCoreKbd, mask, on ? mask : 0)) return false;
  XSync(connection->display(), False);
  return !trap.failed();
}

}  // namespace kestravane::platform::x11
