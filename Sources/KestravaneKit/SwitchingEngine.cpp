#include "KestravaneKit/SwitchingEngine.h"

#include <utility>

namespace kestravane {

SwitchingEngine SwitchingEngine::make(const std::shared_ptr<const platform::Services>& services,
                                      const InputSourceSwitcher& switcher, const Settings& settings,
                                      SwitchController::OnSwitch onSwitch,
                                      std::function<void(EngineHealth)> onHealthChange) {
  SwitchingEngine parts;
  parts.switchController =
      SwitchController::create(*services, switcher, settings.trigger, std::move(onSwitch));
  parts.engine = EventTapEngine::create(services, settings.trigger, settings.suppress,
                                        settings.holdTimeoutMs, parts.switchController);
  parts.switchController->setEngine(parts.engine);
  parts.engine->onHealthChange = std::move(onHealthChange);
  // Where the platform can select the layout on the tap thread, the switch waits for no hop.
  parts.engine->selectsLayoutOnTap = true;
  parts.keyActions = services->triggerKeyActions;
  if (settings.trigger == TriggerKind::capsLock)
    parts.delayLift = CapsLockDelayLift::create(*services);
  return parts;
}

void SwitchingEngine::start() const {
  if (keyActions) keyActions->withhold(TriggerDecision::keyCodeOf(engine->trigger));
  if (delayLift) delayLift->lift();
  try {
    engine->start();
  } catch (...) {
    if (delayLift) delayLift->putBack();
    if (keyActions) keyActions->giveBack();
    throw;
  }
}

void SwitchingEngine::stop() const {
  if (engine) engine->stop();
  if (delayLift) delayLift->putBack();
  if (keyActions) keyActions->giveBack();
}

}  // namespace kestravane
