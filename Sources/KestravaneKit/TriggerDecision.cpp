#include "KestravaneKit/TriggerDecision.h"

#include <algorithm>

namespace kestravane {
namespace {

constexpr TriggerVerdict passes{};

// fn/Globe's down flag is the seam's general fn flag (the seam's key codes come from the table).
static_assert(triggerKey(TriggerKind::fn).downFlag == platform::kFlagSecondaryFn);

// A trigger without a down flag fires on every event of its key; no press is tracked.
bool firesOnEveryEvent(TriggerKind trigger) noexcept {
  return triggerKey(trigger).downFlag == 0;
}

}  // namespace

std::int64_t TriggerDecision::keyCodeOf(TriggerKind trigger) noexcept {
  return triggerKey(trigger).keyCode;
}

std::uint64_t TriggerDecision::holdTimeoutNanosFor(std::int64_t holdTimeoutMs) noexcept {
  return static_cast<std::uint64_t>(std::max<std::int64_t>(0, holdTimeoutMs)) * 1'000'000u;
}

bool TriggerDecision::needsClock(platform::EventType type, std::int64_t keyCode) const noexcept {
  return !firesOnEveryEvent(trigger) && type == platform::kEventFlagsChanged &&
         keyCode == keyCodeOf(trigger);
}

TriggerVerdict TriggerDecision::decide(platform::EventType type, std::int64_t keyCode,
                                       platform::EventFlags flags, std::uint64_t nowNanos,
                                       PressState& press) const noexcept {
  if (platform::isTapDisabledNotice(type)) {
    // Key events may have been lost while the tap was off: a release seen later must not fire.
    press.reset();
    return TriggerVerdict{.pass = true, .fire = false, .tapDisabled = true};
  }

  if (firesOnEveryEvent(trigger)) {
    // Each Caps Lock event toggles the lock light and fires at once; no press is tracked.
    if (type == platform::kEventFlagsChanged && keyCode == keyCodeOf(trigger)) {
      return TriggerVerdict{.pass = false, .fire = true};
    }
    return passes;
  }

  if (type != platform::kEventFlagsChanged) return afterMachine(TriggerEvent::otherKey, press);
  // Other modifier keys neither spoil nor start a press.
  if (keyCode != keyCodeOf(trigger)) return passes;

  if ((flags & triggerKey(trigger).downFlag) != 0) {
    if (press.triggerHeld) return passes;  // a repeated press report is not a new press
    press.triggerHeld = true;
    press.pendingSinceNanos = nowNanos;
    TriggerVerdict verdict = afterMachine(TriggerEvent::triggerDown, press);
    verdict.pressBegan = true;
    return verdict;
  }

  if (!press.triggerHeld) return passes;  // the release of a press the engine never saw
  press.triggerHeld = false;
  const std::uint64_t hold = nowNanos - press.pendingSinceNanos;  // wraps, never traps
  if (holdTimeoutNanos < hold) press.sm.handle(TriggerEvent::timeout);
  return afterMachine(TriggerEvent::triggerUp, press);
}

TriggerVerdict TriggerDecision::afterMachine(TriggerEvent event, PressState& press) const noexcept {
  if (press.sm.handle(event) != TriggerAction::fire) return passes;
  return TriggerVerdict{.pass = suppress == TapSuppress::none, .fire = true};
}

}  // namespace kestravane
