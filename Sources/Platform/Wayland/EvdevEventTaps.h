// Event taps on a Wayland desktop, where no client sees another's keys: each tap reads the
// keyboards' own evdev devices (/dev/input/event*, udev's ID_INPUT_KEYBOARD), listen-only and
// never grabbed, and, when its mask asks for mouse events, the pointers' buttons. Devices plugged
// in or out while the tap lives are followed through udev. The events are those a Mac would
// report, as on X11 (EvdevTapSource, KeyTranslator): the evdev code + 8 is the X key code of the
// shared key table; an auto-repeated press is a key-down marked as repeated (field 8) for an
// ordinary key and nothing for a modifier or Caps Lock; the media keys are system-defined events
// and the buttons mouse-down and mouse-up events. The callback's answer is ignored: the desktop
// has the keys whatever it says. A tap is never disabled; a tap-disabled notice without an event
// says that the kernel dropped events (the tap stays enabled).
// Reading the devices is Linux's Input Monitoring: the `input` group (or an ACL) grants it. While a
// tap made here reads a keyboard, the access checks say so without opening the devices again:
// an open device stays readable, and the program's periodic check then costs no device I/O.
// Threads: any thread for the seam's calls (tapCreate() and the access checks open devices on the
//   calling thread; the taps made are listed under a lock of their own); a tap's devices are read
//   and its events delivered only on the thread of the run loop holding its source (a
//   desktop::PollRunLoop: PollRunLoops must be the platform's run loops).
// Ownership: a tap and its source share the devices; they close when both are gone.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "Platform/EventTaps.h"
#include "Platform/Wayland/InputDevices.h"

namespace kestravane::platform::wayland {

class EvdevTapSource;

class EvdevEventTaps final : public EventTaps {
 public:
  // Seam. tapCreate() opens every device it reads; nullptr when udev cannot be reached or when
  // keyboards exist and none opens. Location, placement and options do not exist here: every tap
  // only observes.
  std::shared_ptr<EventTap> tapCreate(TapLocation location, TapPlacement placement,
                                      TapOptions options, EventMask mask, TapCallback callback,
                                      void* userInfo) override;
  void tapEnable(EventTap& tap, bool enable) override;
  void invalidate(EventTap& tap) override;
  std::shared_ptr<RunLoopSource> createRunLoopSource(EventTap& tap) override;
  // Fields: the key code (9), the auto-repeat mark (8, 1 on a repeated key-down) and the mouse
  // button number (3).
  std::int64_t integerValueField(const Event& event, EventField field) const override;
  EventFlags flags(const Event& event) const override;
  // True when at least one keyboard opens for reading, and when there is no keyboard at all
  // (nothing refused: a tap then reads the first one plugged in, if it may). False when
  // keyboards exist and none opens; keyboardAccess() says why.
  bool preflightListenEventAccess() override;
  // Nothing can be granted from here (the program never asks for root): the same answer.
  bool requestListenEventAccess() override { return preflightListenEventAccess(); }
  // The taps only observe: there is no separate right to filter.
  bool preflightPostEventAccess() override { return preflightListenEventAccess(); }

  // Why the keyboards can or cannot be read, for the health and its remedy.
  DeviceAccess keyboardAccess() const;
  // When the device saw the event, in nanoseconds of CLOCK_MONOTONIC (SystemUptimeClock's
  // clock); valid for the events of these taps' callbacks.
  std::uint64_t eventTimestampNanos(const Event& event) const;
  // The devices a tap has open now, 0 for a tap not made here.
  std::size_t openDevices(EventTap& tap) const;

 private:
  // Whether a tap made here has a keyboard open.
  bool aTapReadsAKeyboard() const;

  mutable std::mutex sourcesLock;
  std::vector<std::weak_ptr<EvdevTapSource>> sources;  // under sourcesLock
};

}  // namespace kestravane::platform::wayland
