// The key path as the program assembles it: a switch controller around the layout switcher, and
// an engine for the trigger with that controller as its delegate, the health callback set, and
// the layout selected on the tap thread where the platform can (X11); started and stopped
// together with the trigger key's own action being taken away and given back where the
// platform's tap cannot swallow the key (platform::TriggerKeyActions), and with the keyboards'
// Caps Lock delay lifted while Caps Lock is the trigger (CapsLockDelayLift). The application
// controller and the key-path tests both build it here, so the tests exercise the program's own
// wiring.
// Threads: the owner's thread (the main thread in the program); see the two parts' contracts.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "KestravaneKit/CapsLockDelayLift.h"
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

  // Not started: the caller keeps the parts and calls start().
  static SwitchingEngine make(const std::shared_ptr<const platform::Services>& services,
                              const InputSourceSwitcher& switcher, const Settings& settings,
                              SwitchController::OnSwitch onSwitch,
                              std::function<void(EngineHealth)> onHealthChange);

  // Takes the trigger key's own action away (and lifts the Caps Lock delay), then starts the
  // engine. When the engine's start() throws, both are given back and the error propagates. Before
  // the engine taps the key, a press of it does nothing at all rather than both its own thing and a
  // switch.
  void start() const;
  // Stops the engine, then gives the trigger key its action back and puts the Caps Lock delay
  // back; safe when never started.
  void stop() const;

  // The engine holds its delegate weakly: the owner keeps the switch controller alive.
  std::shared_ptr<SwitchController> switchController;
  std::shared_ptr<EventTapEngine> engine;
  std::shared_ptr<platform::TriggerKeyActions> keyActions;
  std::shared_ptr<CapsLockDelayLift> delayLift;  // only with the Caps Lock trigger
};

}  // namespace kestravane
