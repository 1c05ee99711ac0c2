#include "Platform/X11/KeyTranslator.h"

#include "Platform/X11/X11KeyTable.h"

namespace kestravane::platform::x11 {

EventFlags KeyTranslator::flagWord() const {
  EventFlags flags = kFlagNonCoalesced;
  if (capsLocked) flags |= kFlagAlphaShift;
  for (const MacKey& modifier : modifierKeys()) {
    if (down.test(modifier.xKeycode)) flags |= modifier.modifierFlags;
  }
  return flags;
}

std::optional<KeyEvent> KeyTranslator::press(unsigned xKeycode, bool repeatFlag) {
  if (xKeycode >= down.size()) return std::nullopt;
  // A press of a key already down is a repeat, whether the server marked it or not.
  const bool repeat = repeatFlag || down.test(xKeycode);
  down.set(xKeycode);
  const MacKey* key = macKeyFor(xKeycode);
  if (key == nullptr) {
    return KeyEvent{kEventKeyDown, unmappedKeyCode(xKeycode), flagWord(), repeat};
  }
  if (key->role == KeyRole::ordinary) {
    return KeyEvent{kEventKeyDown, key->macKeyCode, flagWord() | key->marks, repeat};
  }
  if (repeat) return std::nullopt;
  if (key->role == KeyRole::capsLock && capsKeyLocks) capsLocked = !capsLocked;
  return KeyEvent{kEventFlagsChanged, key->macKeyCode, flagWord(), false};
}

std::optional<KeyEvent> KeyTranslator::release(unsigned xKeycode) {
  if (xKeycode >= down.size()) return std::nullopt;
  down.reset(xKeycode);
  const MacKey* key = macKeyFor(xKeycode);
  if (key == nullptr) return KeyEvent{kEventKeyUp, unmappedKeyCode(xKeycode), flagWord(), false};
  switch (key->role) {
    case KeyRole::ordinary:
      return KeyEvent{kEventKeyUp, key->macKeyCode, flagWord() | key->marks, false};
    case KeyRole::modifier:
      return KeyEvent{kEventFlagsChanged, key->macKeyCode, flagWord(), false};
    case KeyRole::capsLock:
      break;
  }
  return std::nullopt;
}

}  // namespace kestravane::platform::x11
