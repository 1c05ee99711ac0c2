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
  return parts;
}

}  // namespace kestravane
