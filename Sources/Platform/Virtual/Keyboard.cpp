#include "Platform/Virtual/Keyboard.h"

#include <utility>

namespace kestravane::platform::vmac {
namespace {

EventFlags keyMarks(std::uint16_t keyCode) {
  const KeyInfo* key = keyByCode(keyCode);
  return key != nullptr ? key->marks : 0;
}

constexpr std::int64_t kAuxKeyDownState = 0x0A;
constexpr std::int64_t kAuxKeyUpState = 0x0B;

Event auxKeyEvent(AuxKey key, bool down, EventFlags flags) {
  Event event;
  event.type = kEventSystemDefined;
  event.flags = flags;
  event.data1 =
      (static_cast<std::int64_t>(key) << 16) | ((down ? kAuxKeyDownState : kAuxKeyUpState) << 8);
  return event;
}

}  // namespace

Keyboard::Keyboard(std::shared_ptr<WindowServer> windowServer)
    : windowServer(std::move(windowServer)) {}

void Keyboard::setClock(std::shared_ptr<const Clock> delayClock) {
  std::lock_guard lock(stateMutex);
  clock = std::move(delayClock);
}

void Keyboard::setCapsLockDelayMs(std::uint64_t milliseconds) {
  std::lock_guard lock(stateMutex);
  capsLockDelayNanos = milliseconds * 1'000'000;
}

std::uint64_t Keyboard::nowNanos() const {
  return clock ? clock->uptimeNanos() : 0;
}

std::optional<std::pair<Event, std::uint64_t>> Keyboard::takeDueCapsPressLocked(std::uint64_t now) {
  if (!heldCapsPressAt || now - *heldCapsPressAt < capsLockDelayNanos) return std::nullopt;
  const std::uint64_t dueAt = *heldCapsPressAt + capsLockDelayNanos;
  heldCapsPressAt.reset();
  capsLock = !capsLock;
  return std::pair{keyEventLocked(keycode::capsLock, kEventKeyDown), dueAt};
}

bool Keyboard::deliverDueCapsPress(std::optional<std::uint64_t> at) {
  std::optional<std::pair<Event, std::uint64_t>> due;
  {
    std::lock_guard lock(stateMutex);
    due = takeDueCapsPressLocked(at.value_or(nowNanos()));
  }
  if (due) windowServer->post(due->first, due->second);
  return due.has_value();
}

bool Keyboard::isModifier(std::uint16_t keyCode) {
  const KeyInfo* key = keyByCode(keyCode);
  return key != nullptr && key->isModifier();
}

EventFlags Keyboard::flagsLocked() const {
  EventFlags flags = kFlagNonCoalesced;
  if (capsLock) flags |= kFlagAlphaShift;
  for (const std::uint16_t code : down) {
    const KeyInfo* key = keyByCode(code);
    // Caps Lock's flag follows the lock, not the key being down.
    if (key != nullptr && code != keycode::capsLock) flags |= key->modifierFlag | key->deviceBit;
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

bool Keyboard::press(std::uint16_t keyCode, std::optional<std::uint64_t> happenedAt) {
  bool pressed = false;
  bool heldBack = false;
  bool heldPressDelivered = false;
  do {
    std::lock_guard send(sendMutex);
    heldPressDelivered = deliverDueCapsPress(happenedAt);
    Event event;
    {
      std::lock_guard lock(stateMutex);
      if (!down.insert(keyCode).second) break;
      pressed = true;
      if (keyCode == keycode::capsLock) {
        heldBack = !capsLock && clock && capsLockDelayNanos > 0;
        if (heldBack) {
          heldCapsPressAt = happenedAt.value_or(nowNanos());
        } else {
          capsLock = !capsLock;
        }
      }
      event = keyEventLocked(keyCode, kEventKeyDown);
    }
    if (!heldBack) windowServer->post(event, happenedAt);
  } while (false);
  // Told with no lock held: a held-back Caps Lock press delivered first, then this one.
  if (pressed || heldPressDelivered) stateObserver.notify();
  if (heldPressDelivered) capsLockPressObserver.notify();
  if (!pressed) return false;
  if (keyCode == keycode::capsLock && !heldBack) capsLockPressObserver.notify();
  return true;
}

bool Keyboard::release(std::uint16_t keyCode, std::optional<std::uint64_t> happenedAt) {
  bool released = false;
  bool sent = false;
  bool heldPressDelivered = false;
  do {
    std::lock_guard send(sendMutex);
    heldPressDelivered = deliverDueCapsPress(happenedAt);
    Event event;
    {
      std::lock_guard lock(stateMutex);
      // Released within the delay: the filter drops the press as if it never happened.
      if (keyCode == keycode::capsLock) heldCapsPressAt.reset();
      if (down.erase(keyCode) == 0) break;
      released = true;
      sent = keyCode != keycode::capsLock;  // Caps Lock's release only lets the key up
      if (sent) event = keyEventLocked(keyCode, kEventKeyUp);
    }
    if (sent) windowServer->post(event, happenedAt);
  } while (false);
  if (released || heldPressDelivered) stateObserver.notify();
  if (heldPressDelivered) capsLockPressObserver.notify();
  return sent;
}

void Keyboard::tap(std::uint16_t keyCode) {
  press(keyCode);
  release(keyCode);
}

void Keyboard::tapAuxKey(AuxKey key) {
  bool heldPressDelivered = false;
  {
    std::lock_guard send(sendMutex);
    heldPressDelivered = deliverDueCapsPress(std::nullopt);
    for (const bool isDown : {true, false}) {
      windowServer->post(auxKeyEvent(key, isDown, currentFlags()));
    }
  }
  if (heldPressDelivered) capsLockPressObserver.notify();
}

std::size_t Keyboard::autoRepeat(std::uint16_t keyCode, std::size_t count) {
  std::lock_guard send(sendMutex);
  Event event;
  {
    std::lock_guard lock(stateMutex);
    if (isModifier(keyCode) || !down.contains(keyCode)) return 0;
    event = Event{kEventKeyDown, keyCode, flagsLocked() | keyMarks(keyCode), 1};
  }
  for (std::size_t i = 0; i < count; ++i) windowServer->post(event);
  return count;
}

void Keyboard::setStateObserver(std::function<void()> observer) {
  stateObserver.set(std::move(observer));
}

void Keyboard::setCapsLockPressObserver(std::function<void()> observer) {
  capsLockPressObserver.set(std::move(observer));
}

void Keyboard::setCapsLockState(bool on) {
  {
    std::lock_guard send(sendMutex);
    Event echo;
    {
      std::lock_guard lock(stateMutex);
      if (capsLock == on) return;
      capsLock = on;
      echo = Event{kEventFlagsChanged, keycode::lockStateEcho, flagsLocked(), 0};
    }
    windowServer->post(echo);
  }
  stateObserver.notify();
}

bool Keyboard::isDown(std::uint16_t keyCode) const {
  std::lock_guard lock(stateMutex);
  return down.contains(keyCode);
}

bool Keyboard::capsLockOn() const {
  std::lock_guard lock(stateMutex);
  return capsLock;
}

EventFlags Keyboard::currentFlags() const {
  std::lock_guard lock(stateMutex);
  return flagsLocked();
}

}  // namespace kestravane::platform::vmac
