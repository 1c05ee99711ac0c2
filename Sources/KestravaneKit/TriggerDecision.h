// The engine's verdict on one key event: what the event means for the configured trigger key,
// whether it passes on to the applications and whether it fires a layout switch. It reads only
// the event's type, key code and flag word and one clock reading, so it runs without any tap.
// Threads: `TriggerDecision` is an immutable value, usable from any thread; `decide()` mutates
// only the `PressState` it is given, whose owner feeds it from one thread at a time.
#pragma once

#include <cstdint>

#include "KestravaneCore/TriggerKeys.h"
#include "KestravaneCore/TriggerStateMachine.h"
#include "Platform/EventTaps.h"

namespace kestravane {

// Whether the release that fires is swallowed (`EventTapEngine::Suppress`). Caps Lock events are
// swallowed under either value.
enum class TapSuppress { none, tap };

// What the engine knows about the press in progress. Reset whenever its view of the keyboard may
// be stale (start, tap disabled by the system).
struct PressState {
  TriggerStateMachine sm;
  bool triggerHeld = false;             // the trigger key is down as far as the engine has seen
  std::uint64_t pendingSinceNanos = 0;  // clock reading taken when the trigger went down

  void reset() noexcept {
    sm.reset();
    triggerHeld = false;
    pendingSinceNanos = 0;
  }
};

struct TriggerVerdict {
  bool pass = true;          // deliver the event; false swallows it
  bool fire = false;         // submit one fire
  bool tapDisabled = false;  // the system disabled the tap; the press has been forgotten
  bool pressBegan = false;   // the trigger went down and a press is now tracked

  bool operator==(const TriggerVerdict&) const = default;
};

class TriggerDecision {
 public:
  TriggerDecision(TriggerKind trigger, TapSuppress suppress,
                  std::uint64_t holdTimeoutNanos) noexcept
      : trigger(trigger), suppress(suppress), holdTimeoutNanos(holdTimeoutNanos) {}

  // max(0, ms) in nanoseconds; the caller keeps `ms` small enough to fit.
  static std::uint64_t holdTimeoutNanosFor(std::int64_t holdTimeoutMs) noexcept;
  // The virtual key code of the trigger's key (63, 57 or 54).
  static std::int64_t keyCodeOf(TriggerKind trigger) noexcept;

  // Whether `decide()` will look at the clock reading for this event. The tap reads the clock
  // only then, so ordinary typing costs no clock reading.
  bool needsClock(platform::EventType type, std::int64_t keyCode) const noexcept;

  // The verdict for one event; `nowNanos` matters only where `needsClock()` says so. Never
  // allocates, blocks or fails.
  TriggerVerdict decide(platform::EventType type, std::int64_t keyCode, platform::EventFlags flags,
                        std::uint64_t nowNanos, PressState& press) const noexcept;

  const TriggerKind trigger;
  const TapSuppress suppress;
  const std::uint64_t holdTimeoutNanos;

 private:
  TriggerVerdict afterMachine(TriggerEvent event, PressState& press) const noexcept;
};

}  // namespace kestravane
