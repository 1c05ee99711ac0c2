#include "Platform/Virtual/VirtualTriggerKeyActions.h"

namespace kestravane::platform::vmac {

bool VirtualTriggerKeyActions::withhold(std::int64_t keyCode) {
  std::lock_guard lock(mutex);
  withheld = keyCode;
  ++withholds;
  return true;
}

void VirtualTriggerKeyActions::giveBack() {
  std::lock_guard lock(mutex);
  withheld.reset();
  ++giveBacks;
}

std::optional<std::int64_t> VirtualTriggerKeyActions::withheldKey() const {
  std::lock_guard lock(mutex);
  return withheld;
}

std::size_t VirtualTriggerKeyActions::withholdCount() const {
  std::lock_guard lock(mutex);
  return withholds;
}

std::size_t VirtualTriggerKeyActions::giveBackCount() const {
  std::lock_guard lock(mutex);
  return giveBacks;
}

}  // namespace kestravane::platform::vmac
