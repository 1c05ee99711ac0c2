// Joins the engine to the layout switch: each fire is carried to the main queue, where the
// switcher selects the next layout and the owner is told the outcome.
// Threads: `engineDidFire()` runs on the engine's fire queue and returns at once; the switch and
// `onSwitch` run on the main thread, one fire after another in order.
// Ownership: only through create(), as a std::shared_ptr; a queued fire keeps the controller
// alive until it has run.
#pragma once

#include <functional>
#include <memory>

#include "KestravaneCore/InterceptionEngine.h"
#include "KestravaneKit/InputSourceSwitcher.h"
#include "Platform/Services.h"

namespace kestravane {

class SwitchController final : public InterceptionEngineDelegate,
                               public std::enable_shared_from_this<SwitchController> {
 public:
  using OnSwitch = std::function<void(const InputSourceSwitcher::Result&)>;

  static std::shared_ptr<SwitchController> create(const platform::Services& services,
                                                  InputSourceSwitcher switcher, OnSwitch onSwitch);

  void engineDidFire() override;

 private:
  SwitchController(const platform::Services& services, InputSourceSwitcher switcher,
                   OnSwitch onSwitch);

  InputSourceSwitcher switcher;
  const OnSwitch onSwitch;
  const std::shared_ptr<platform::DispatchQueue> mainQueue;
};

}  // namespace kestravane
