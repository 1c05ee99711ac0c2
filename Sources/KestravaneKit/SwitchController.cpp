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
  mainQueue->async([self = shared_from_this()] { self->switchOnMain(); });
}

void SwitchController::switchOnMain() {
  // Asked here, on the main thread: the system's answer is not safe to get from the tap thread.
  const bool secureInput = permissions.isSecureInputActive();
  if (const auto firing = engine.lock()) firing->setSecureInputActive(secureInput);
  if (secureInput) return;

  if (trigger == TriggerKind::capsLock) {
    // Off rather than as it was before the press: with Caps Lock as the trigger the key can no
    // longer turn capitals off. Set without asking first (macOS has been reported to read the
    // lock as off whatever it is; setting it when already off posts nothing), and before the
    // switch, which can take tens of milliseconds in which the user goes on typing.
    hidSystem->setModifierLockState(platform::ModifierLock::capsLock, false);
  }
  const auto result = switcher.switchNext();
  if (onSwitch) onSwitch(result);
}

}  // namespace kestravane
