// Joins the engine to the layout switch: each fire is carried to the main queue, where the
// switcher selects the next layout and the owner is told the outcome. There, before switching,
// it asks whether secure input is on and tells the engine; while it is, the fire switches
// nothing (the tap could not see the keys typed with the trigger, e.g. ⌘V in a password field).
// With the Caps Lock trigger it turns the Caps Lock lock off before each switch: a tap cannot stop
// the lock from toggling, and with Caps Lock as the trigger nothing else could turn it off.
// Threads: `engineDidFire()` runs on the engine's fire queue and returns at once; the switch and
// `onSwitch` run on the main thread, one fire after another in order; `setEngine()` before the
// engine starts.
// Ownership: only through create(), as a std::shared_ptr; a queued fire keeps the controller
// alive until it has run. The engine is held weakly.
#pragma once

#include <functional>
#include <memory>

#include "KestravaneCore/InterceptionEngine.h"
#include "KestravaneCore/TriggerKeys.h"
#include "KestravaneKit/EventTapEngine.h"
#include "KestravaneKit/InputSourceSwitcher.h"
#include "KestravaneKit/Permissions.h"
#include "Platform/Services.h"

namespace kestravane {

class SwitchController final : public InterceptionEngineDelegate,
                               public std::enable_shared_from_this<SwitchController> {
 public:
  using OnSwitch = std::function<void(const InputSourceSwitcher::Result&)>;

  static std::shared_ptr<SwitchController> create(const platform::Services& services,
                                                  InputSourceSwitcher switcher, TriggerKind trigger,
                                                  OnSwitch onSwitch);

  // The engine whose fires arrive here, told the secure-input state at each fire.
  void setEngine(std::weak_ptr<EventTapEngine> firingEngine);

  void engineDidFire() override;

 private:
  SwitchController(const platform::Services& services, InputSourceSwitcher switcher,
                   TriggerKind trigger, OnSwitch onSwitch);

  void switchOnMain();

  InputSourceSwitcher switcher;
  const TriggerKind trigger;
  const OnSwitch onSwitch;
  const Permissions permissions;
  const std::shared_ptr<platform::HIDSystem> hidSystem;
  const std::shared_ptr<platform::DispatchQueue> mainQueue;
  std::weak_ptr<EventTapEngine> engine;  // main thread
};

}  // namespace kestravane
