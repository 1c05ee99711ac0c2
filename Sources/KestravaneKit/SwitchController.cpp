#include "KestravaneKit/SwitchController.h"

#include <utility>

namespace kestravane {

std::shared_ptr<SwitchController> SwitchController::create(const platform::Services& services,
                                                           InputSourceSwitcher switcher,
                                                           TriggerKind trigger, OnSwitch onSwitch) {
  return std::shared_ptr<SwitchController>(
      new SwitchController(services, std::move(switcher), trigger, std::move(onSwitch)));
}

SwitchController::SwitchController(const platform::Services& services, InputSourceSwitcher switcher,
                                   TriggerKind trigger, OnSwitch onSwitch)
    : switcher(std::move(switcher)),
      trigger(trigger),
      onSwitch(std::move(onSwitch)),
      permissions(services),
      hidSystem(services.hidSystem),
      mainQueue(services.dispatch->mainQueue()) {}

void SwitchController::setEngine(std::weak_ptr<EventTapEngine> firingEngine) {
  engine = std::move(firingEngine);
}

void SwitchController::engineDidFire() {
  mainQueue->async([self = shared_from_this()] { self->switchOnMain(std::nullopt); });
}

void SwitchController::engineDidFireHavingSelected(std::size_t position) {
  mainQueue->async([self = shared_from_this(), position] { self->switchOnMain(position); });
}

void SwitchController::switchOnMain(std::optional<std::size_t> selected) {
  // Asked here, on the main thread: the system's answer is not safe to get from the tap thread.
  // A layout the tap thread selected stays: the engine fired while secure input was off as far
  // as it knew (the platforms that select there have no secure input).
  const bool secureInput = permissions.isSecureInputActive();
  if (const auto firing = engine.lock()) firing->setSecureInputActive(secureInput);
  if (secureInput && !selected) return;

  if (trigger == TriggerKind::capsLock) {
    // Off rather than as it was before the press: with Caps Lock as the trigger the key can no
    // longer turn capitals off. Set without asking first (macOS has been reported to read the
    // lock as off whatever it is; setting it when already off posts nothing), and before a
    // switch made here, which can take tens of milliseconds in which the user goes on typing.
    hidSystem->setModifierLockState(platform::ModifierLock::capsLock, false);
  }
  const auto result = selected ? switcher.outcomeOfSelecting(*selected) : switcher.switchNext();
  if (onSwitch) onSwitch(result);
}

}  // namespace kestravane
