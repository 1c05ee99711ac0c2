// The key path as the program assembles it: a switch controller around the layout switcher, and
// an engine for the trigger with that controller as its delegate and the health callback set.
// The application controller and the key-path scenarios both build it here, so the scenarios
// exercise the program's own wiring.
// Threads: the owner's thread (the main thread in the program); see the two parts' contracts.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "KestravaneKit/EventTapEngine.h"
#include "KestravaneKit/InputSourceSwitcher.h"
#include "KestravaneKit/SwitchController.h"

namespace kestravane {

struct SwitchingEngine {
  struct Settings {
    TriggerKind trigger = TriggerKind::fn;
    EventTapEngine::Suppress suppress = EventTapEngine::Suppress::tap;
    std::int64_t holdTimeoutMs = 300;
  };

  // Not started: the caller keeps both parts and calls engine->start().
  static SwitchingEngine make(const std::shared_ptr<const platform::Services>& services,
                              const InputSourceSwitcher& switcher, const Settings& settings,
                              SwitchController::OnSwitch onSwitch,
                              std::function<void(EngineHealth)> onHealthChange);

  // The engine holds its delegate weakly: the owner keeps the switch controller alive.
  std::shared_ptr<SwitchController> switchController;
  std::shared_ptr<EventTapEngine> engine;
};

}  // namespace kestravane
