#include "Platform/X11/KeyTranslator.h"

#include "Platform/X11/X11KeyTable.h"

namespace kestravane::platform::x11 {
namespace {

constexpr std::int64_t kMediaKeyDown = 0x0A;
constexpr std::int64_t kMediaKeyUp = 0x0B;

}  // namespace

EventFlags KeyTranslator::flagWord() const {
  EventFlags flags = kFlagNonCoalesced;
  if (capsLocked) flags |= kFlagAlphaShift;
  for (const MacKey& modifier : modifierKeys()) {
    if (down.test(modifier.xKeycode)) flags |= modifier.modifierFlags;
  }
  return flags;
}

std::optional<std::int8_t> KeyTranslator::mediaKeyOf(unsigned xKeycode) const {
  const MacKey* key = macKeyFor(xKeycode);
  if (key != nullptr && key->role != KeyRole::ordinary) return std::nullopt;
  const std::int8_t type = mediaKeys[xKeycode];
  if (type == kNoMediaKey) return std::nullopt;
  return type;
}

KeyEvent KeyTranslator::mediaKeyEvent(std::int8_t nxKeyType, bool down, bool repeat) const {
  KeyEvent event{kEventSystemDefined, 0, flagWord(), false};
  event.data1 = (std::int64_t{nxKeyType} << 16) | ((down ? kMediaKeyDown : kMediaKeyUp) << 8) |
                (repeat ? 1 : 0);
  return event;
}

std::optional<KeyEvent> KeyTranslator::press(unsigned xKeycode, bool repeatFlag) {
  if (xKeycode >= down.size()) return std::nullopt;
  // A press of a key already down is a repeat, whether the server marked it or not.
  const bool repeat = repeatFlag || down.test(xKeycode);
  down.set(xKeycode);
  if (const auto media = mediaKeyOf(xKeycode)) return mediaKeyEvent(*media, true, repeat);
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
  if (const auto media = mediaKeyOf(xKeycode)) return mediaKeyEvent(*media, false, false);
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

std::optional<KeyEvent> KeyTranslator::button(unsigned xButton, bool down) const {
  KeyEvent event{kEventOtherMouseDown, 0, flagWord(), false};
  switch (xButton) {
    case 1:
      event.type = kEventLeftMouseDown;
      event.mouseButton = 0;
      break;
    case 3:
      event.type = kEventRightMouseDown;
      event.mouseButton = 1;
      break;
    case 2:
      event.mouseButton = 2;
      break;
    default:
      if (xButton < 8) return std::nullopt;  // 0 is none, 4-7 are the wheel's
      // Back and forward (8, 9) are a Mac's buttons 3 and 4; the others follow them.
      event.mouseButton = static_cast<std::int64_t>(xButton) - 5;
  }
  // Each button's up type follows its down type (2 after 1, 4 after 3, 26 after 25).
  if (!down) event.type += 1;
  return event;
}

}  // namespace kestravane::platform::x11
