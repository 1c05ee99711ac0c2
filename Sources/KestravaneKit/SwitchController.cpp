#include "KestravaneKit/SwitchController.h"

#include "Platform/Services.h"

namespace kestravane {

SwitchController::SwitchController(InputSourceSwitcher switcher, OnSwitch onSwitch)
    : switcher(switcher),
      onSwitch(std::move(onSwitch)),
      mainQueue(platform::current()->dispatch->mainQueue()) {}

void SwitchController::engineDidFire() {
  mainQueue->async([self = shared_from_this()] {
    const auto result = self->switcher.switchNext();
    if (self->onSwitch) self->onSwitch(result);
  });
}

}  // namespace kestravane
