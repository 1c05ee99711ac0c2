#include "KestravaneKit/SwitchController.h"

namespace kestravane {

std::shared_ptr<SwitchController> SwitchController::create(const platform::Services& services,
                                                           InputSourceSwitcher switcher,
                                                           OnSwitch onSwitch) {
  return std::shared_ptr<SwitchController>(
      new SwitchController(services, std::move(switcher), std::move(onSwitch)));
}

SwitchController::SwitchController(const platform::Services& services, InputSourceSwitcher switcher,
                                   OnSwitch onSwitch)
    : switcher(std::move(switcher)),
      onSwitch(std::move(onSwitch)),
      mainQueue(services.dispatch->mainQueue()) {}

void SwitchController::engineDidFire() {
  mainQueue->async([self = shared_from_this()] {
    const auto result = self->switcher.switchNext();
    if (self->onSwitch) self->onSwitch(result);
  });
}

}  // namespace kestravane
