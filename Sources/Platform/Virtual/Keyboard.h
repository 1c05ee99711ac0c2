// The virtual Mac's keyboard: presses and releases keys by macOS virtual key code and sends the
// events a Mac keyboard makes through the window server. Modifier keys make flags-changed events
// whose flag word holds every held modifier (general flag plus the key's device bit) and the
// Caps Lock state; each press of Caps Lock toggles it and makes one flags-changed event, its
// release none. Other keys make key-down and key-up events carrying the current flags (plus the
// fn and numeric-pad marks that arrow, function and keypad keys carry on a Mac). Every keyboard
// event carries the non-coalesced bit 0x100, as on a Mac. The Caps Lock state is the HID
// system's: it toggles below every tap, whatever the taps answer, and the HID system can set it
// (setCapsLockState), which posts one flags-changed event of its own (key code
// keycode::lockStateEcho) when the state changes. As Apple's keyboard filter does, a press of
// Caps Lock while the lock is off is held back for the Caps Lock delay (75 ms unless a keyboard
// service's CapsLockDelayOverride says otherwise): released sooner, the press vanishes (no
// toggle, no event); otherwise it is delivered as if it happened the delay after the press, at
// the release or at the next call that comes later. The media and brightness keys make
// system-defined events (subtype 8) carrying the current flags.
// Keys are those of KeyTable.h; a code the table does not have is an ordinary key without marks.
// Threads: any thread; calls are serialised and each returns after its events were delivered.
// Not to be called from a tap callback (the delivery would wait for that very callback). The
// state observer runs on the calling thread after the call's events were delivered, with no
// lock held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include "Platform/Clock.h"
#include "Platform/EventTaps.h"
#include "Platform/Virtual/ChangeObserver.h"
#include "Platform/Virtual/KeyTable.h"
#include "Platform/Virtual/WindowServer.h"

namespace kestravane::platform::vmac {

// The media and brightness keys the virtual keyboard has, by their NX_KEYTYPE.
enum class AuxKey : std::int64_t {
  soundUp = 0,         // NX_KEYTYPE_SOUND_UP
  soundDown = 1,       // NX_KEYTYPE_SOUND_DOWN
  brightnessUp = 2,    // NX_KEYTYPE_BRIGHTNESS_UP
  brightnessDown = 3,  // NX_KEYTYPE_BRIGHTNESS_DOWN
  mute = 7,            // NX_KEYTYPE_MUTE
  play = 16,           // NX_KEYTYPE_PLAY
};

class Keyboard {
 public:
  // The keyboard filter's own Caps Lock delay (kCapsLockDelayMS).
  static constexpr std::uint64_t kCapsLockDelayMs = 75;

  explicit Keyboard(std::shared_ptr<WindowServer> windowServer);
  // The clock that times the Caps Lock delay; without one, no press is held back.
  void setClock(std::shared_ptr<const Clock> clock);
  // The delay a Caps Lock press must outlast while the lock is off (0: none).
  void setCapsLockDelayMs(std::uint64_t milliseconds);

  // Whether the key code is a modifier key (including Caps Lock and fn).
  static bool isModifier(std::uint16_t keyCode);

  // Press or release one key; false (and no event) for a key already down / not down. Caps
  // Lock's release is accepted but makes no event, so it answers false too. `happenedAt` is the
  // uptime at which the user pressed or released it, when that was before this call (a demo
  // window whose GUI thread was busy): the taps measure from it (WindowServer::post).
  bool press(std::uint16_t keyCode, std::optional<std::uint64_t> happenedAt = std::nullopt);
  bool release(std::uint16_t keyCode, std::optional<std::uint64_t> happenedAt = std::nullopt);
  // Press, then release.
  void tap(std::uint16_t keyCode);
  // A media or brightness key's press and release: two system-defined events.
  void tapAuxKey(AuxKey key);
  // `count` auto-repeat key-downs of a held ordinary key; the number of events sent (0 for a
  // key that is not down or a modifier, which does not repeat).
  std::size_t autoRepeat(std::uint16_t keyCode, std::size_t count);

  bool isDown(std::uint16_t keyCode) const;
  bool capsLockOn() const;
  // What the HID system does when asked to set the lock: nothing when it is already so;
  // otherwise the state changes and one flags-changed event (keycode::lockStateEcho) is sent.
  void setCapsLockState(bool on);
  // The flag word the next event would carry.
  EventFlags currentFlags() const;
  // Called after every press or release that changed which keys are down or the Caps Lock
  // state (e.g. so that a drawn keyboard follows keys pressed elsewhere).
  void setStateObserver(std::function<void()> observer);
  // Called after each press of Caps Lock, once its event was delivered (the system's own
  // handling of the key, below the taps: e.g. switching to and from ABC).
  void setCapsLockPressObserver(std::function<void()> observer);

 private:
  EventFlags flagsLocked() const;  // with stateMutex held
  // A held-back Caps Lock press whose delay has passed by `now`: toggles the lock and answers
  // the event to deliver (with its time); with stateMutex held.
  std::optional<std::pair<Event, std::uint64_t>> takeDueCapsPressLocked(std::uint64_t now);
  // Delivers a held-back Caps Lock press that has become due by `at` (now when absent); with
  // sendMutex held. Whether one was delivered: the caller then tells capsLockPressObserver.
  bool deliverDueCapsPress(std::optional<std::uint64_t> at);
  std::uint64_t nowNanos() const;
  // The event a press or release of `keyCode` sends now; with stateMutex held.
  Event keyEventLocked(std::uint16_t keyCode, EventType ordinaryKeyType) const;

  const std::shared_ptr<WindowServer> windowServer;
  std::mutex sendMutex;           // one call at a time, so state and events stay in step
  mutable std::mutex stateMutex;  // guards the members below; never held while delivering
  std::set<std::uint16_t> down;
  bool capsLock = false;
  std::shared_ptr<const Clock> clock;
  std::uint64_t capsLockDelayNanos = kCapsLockDelayMs * 1'000'000;
  std::optional<std::uint64_t> heldCapsPressAt;  // a press the delay holds back
  ChangeObserver stateObserver;                  // told with no lock held
  ChangeObserver capsLockPressObserver;          // told with no lock held
};

}  // namespace kestravane::platform::vmac
