#include "Platform/Virtual/Keyboard.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace kestravane::platform::vmac {
namespace {

constexpr EventFlags kNumericPad = 0x200000;  // kCGEventFlagMaskNumericPad

struct ModifierKey {
  std::uint16_t keyCode;
  EventFlags deviceBit;  // the NX_DEVICE...KEYMASK of this side
  EventFlags flag;       // the device-independent flag
};

constexpr std::array<ModifierKey, 9> kModifiers{{
    {keycode::control, 0x1, kFlagControl},
    {keycode::shift, 0x2, kFlagShift},
    {keycode::rightShift, 0x4, kFlagShift},
    {keycode::command, 0x8, kFlagCommand},
    {keycode::rightCommand, 0x10, kFlagCommand},
    {keycode::option, 0x20, kFlagAlternate},
    {keycode::rightOption, 0x40, kFlagAlternate},
    {keycode::rightControl, 0x2000, kFlagControl},
    {keycode::function, 0, kFlagSecondaryFn},
}};

std::optional<ModifierKey> modifierKey(std::uint16_t keyCode) {
  for (const auto& key : kModifiers) {
    if (key.keyCode == keyCode) return key;
  }
  return std::nullopt;
}

// Marks a Mac adds to the key events of some keys: arrows carry fn and numeric pad, the
// function and navigation keys fn, the keypad numeric pad.
EventFlags keyMarks(std::uint16_t keyCode) {
  constexpr std::array<std::uint16_t, 4> arrows{123, 124, 125, 126};
  constexpr std::array<std::uint16_t, 26> fnKeys{122, 120, 99,  118, 96,  97,  98,  100, 101,
                                                 109, 103, 111, 105, 107, 113, 106, 64,  79,
                                                 80,  90,  114, 115, 116, 117, 119, 121};
  constexpr std::array<std::uint16_t, 18> keypad{65, 67, 69, 71, 75, 76, 78, 81, 82,
                                                 83, 84, 85, 86, 87, 88, 89, 91, 92};
  auto in = [&](const auto& keys) {
    return std::find(keys.begin(), keys.end(), keyCode) != keys.end();
  };
  if (in(arrows)) return kFlagSecondaryFn | kNumericPad;
  if (in(fnKeys)) return kFlagSecondaryFn;
  if (in(keypad)) return kNumericPad;
  return 0;
}

}  // namespace

Keyboard::Keyboard(std::shared_ptr<WindowServer> windowServer)
    : windowServer_(std::move(windowServer)) {}

bool Keyboard::isModifier(std::uint16_t keyCode) {
  return keyCode == keycode::capsLock || modifierKey(keyCode).has_value();
}

EventFlags Keyboard::flagsLocked() const {
  EventFlags flags = kFlagNonCoalesced;
  if (capsLock_) flags |= kFlagAlphaShift;
  for (const auto& key : kModifiers) {
    if (down_.contains(key.keyCode)) flags |= key.flag | key.deviceBit;
  }
  return flags;
}

Event Keyboard::keyEventLocked(std::uint16_t keyCode, EventType ordinaryKeyType) const {
  Event event;
  event.keyCode = keyCode;
  if (isModifier(keyCode)) {
    event.type = kEventFlagsChanged;  // modifiers report their state, not down and up
    event.flags = flagsLocked();
  } else {
    event.type = ordinaryKeyType;
    event.flags = flagsLocked() | keyMarks(keyCode);
  }
  return event;
}

bool Keyboard::press(std::uint16_t keyCode) {
  std::lock_guard send(sendMutex_);
  Event event;
  {
    std::lock_guard lock(stateMutex_);
    if (!down_.insert(keyCode).second) return false;
    if (keyCode == keycode::capsLock) capsLock_ = !capsLock_;
    event = keyEventLocked(keyCode, kEventKeyDown);
  }
  windowServer_->post(event);
  return true;
}

bool Keyboard::release(std::uint16_t keyCode) {
  std::lock_guard send(sendMutex_);
  Event event;
  {
    std::lock_guard lock(stateMutex_);
    if (down_.erase(keyCode) == 0 || keyCode == keycode::capsLock) return false;
    event = keyEventLocked(keyCode, kEventKeyUp);
  }
  windowServer_->post(event);
  return true;
}

void Keyboard::tap(std::uint16_t keyCode) {
  press(keyCode);
  release(keyCode);
}

std::size_t Keyboard::autoRepeat(std::uint16_t keyCode, std::size_t count) {
  std::lock_guard send(sendMutex_);
  Event event;
  {
    std::lock_guard lock(stateMutex_);
    if (isModifier(keyCode) || !down_.contains(keyCode)) return 0;
    event = Event{kEventKeyDown, keyCode, flagsLocked() | keyMarks(keyCode), 1};
  }
  for (std::size_t i = 0; i < count; ++i) windowServer_->post(event);
  return count;
}

bool Keyboard::isDown(std::uint16_t keyCode) const {
  std::lock_guard lock(stateMutex_);
  return down_.contains(keyCode);
}

bool Keyboard::capsLockOn() const {
  std::lock_guard lock(stateMutex_);
  return capsLock_;
}

EventFlags Keyboard::currentFlags() const {
  std::lock_guard lock(stateMutex_);
  return flagsLocked();
}

}  // namespace kestravane::platform::vmac
