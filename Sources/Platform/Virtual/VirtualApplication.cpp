#include "Platform/Virtual/VirtualApplication.h"

#include <utility>

namespace kestravane::platform::vmac {

bool VirtualApplication::setActivationPolicy(ActivationPolicy newPolicy) {
  policy = newPolicy;
  changed();
  return true;
}

void VirtualApplication::activate() {
  ++activations;
  active = true;
  changed();
}

void VirtualApplication::terminate() {
  ++terminations;
  changed();
  if (terminationHandler) terminationHandler();
}

void VirtualApplication::deactivate() {
  active = false;
  changed();
}

void VirtualApplication::setTerminationHandler(std::function<void()> handler) {
  terminationHandler = std::move(handler);
}

void VirtualApplication::setObserver(std::function<void()> newObserver) {
  observer = std::move(newObserver);
}

void VirtualApplication::changed() const {
  if (observer) observer();
}

}  // namespace kestravane::platform::vmac
