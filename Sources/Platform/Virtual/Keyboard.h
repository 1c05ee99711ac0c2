// The virtual Mac's keyboard: presses and releases keys by macOS virtual key code and sends the
// events a Mac keyboard makes through the window server. Modifier keys make flags-changed events
// whose flag word holds every held modifier (general flag plus the key's device bit) and the
// Caps Lock state; each press of Caps Lock toggles it and makes one flags-changed event, its
// release none. Other keys make key-down and key-up events carrying the current flags (plus the
// fn and numeric-pad marks that arrow, function and keypad keys carry on a Mac). Every keyboard
// event carries the non-coalesced bit 0x100, as on a Mac. The Caps Lock state is the HID
// system's: it toggles below every tap, whatever the taps answer, and the HID system can set it
// (setCapsLockState) without any event, changing only the flag word of later events. The media
// and brightness keys make system-defined events (subtype 8) carrying the current flags.
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
  explicit Keyboard(std::shared_ptr<WindowServer> windowServer);

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
  // What the HID system does when asked to set the lock: the state changes, no event is sent.
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
  // The event a press or release of `keyCode` sends now; with stateMutex held.
  Event keyEventLocked(std::uint16_t keyCode, EventType ordinaryKeyType) const;

  const std::shared_ptr<WindowServer> windowServer;
  std::mutex sendMutex;           // one call at a time, so state and events stay in step
  mutable std::mutex stateMutex;  // guards the members below; never held while delivering
  std::set<std::uint16_t> down;
  bool capsLock = false;
  ChangeObserver stateObserver;          // told with no lock held
  ChangeObserver capsLockPressObserver;  // told with no lock held
};

}  // namespace kestravane::platform::vmac
