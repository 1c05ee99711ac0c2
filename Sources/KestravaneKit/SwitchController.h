// Joins the engine to the layout switch: each fire is carried to the main queue, where the
// switcher selects the next layout and the owner is told the outcome. There, before switching,
// it asks whether secure input is on and tells the engine; while it is, the fire switches
// nothing (the tap could not see the keys typed with the trigger, e.g. ⌘V in a password field).
// With the Caps Lock trigger it turns the Caps Lock lock off before each switch: a tap cannot stop
// the lock from toggling, and with Caps Lock as the trigger nothing else could turn it off.
// Where the platform selected the layout on the tap thread already, the main thread does all of
// that but the selection, and tells the owner the outcome of the one that was made.
// Threads: `engineDidFire()` and `engineDidFireHavingSelected()` run on the engine's fire queue
// and return at once; the switch (or its report) and `onSwitch` run on the main thread, one fire
// after another in order; `setEngine()` before the engine starts.
// Ownership: only through create(), as a std::shared_ptr; a queued fire keeps the controller
// alive until it has run. The engine is held weakly.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>

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
  void engineDidFireHavingSelected(std::size_t position) override;

 private:
  SwitchController(const platform::Services& services, InputSourceSwitcher switcher,
                   TriggerKind trigger, OnSwitch onSwitch);

  // The switch; `selected` is the position of a layout the tap thread selected already.
  void switchOnMain(std::optional<std::size_t> selected);

  InputSourceSwitcher switcher;
  const TriggerKind trigger;
  const OnSwitch onSwitch;
  const Permissions permissions;
  const std::shared_ptr<platform::HIDSystem> hidSystem;
  const std::shared_ptr<platform::DispatchQueue> mainQueue;
  std::weak_ptr<EventTapEngine> engine;  // main thread
};

}  // namespace kestravane
