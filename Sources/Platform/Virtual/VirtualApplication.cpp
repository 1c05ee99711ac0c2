#include "Platform/Virtual/VirtualApplication.h"

#include <utility>

namespace kestravane::platform::vmac {

bool VirtualApplication::setActivationPolicy(ActivationPolicy policy) {
  policy_ = policy;
  changed();
  return true;
}

void VirtualApplication::activateIgnoringOtherApps(bool flag) {
  ++activations_;
  if (flag) ++forcedActivations_;
  active_ = true;
  changed();
}

void VirtualApplication::terminate() {
  ++terminations_;
  changed();
  if (terminationHandler_) terminationHandler_();
}

void VirtualApplication::deactivate() {
  active_ = false;
  changed();
}

void VirtualApplication::setTerminationHandler(std::function<void()> handler) {
  terminationHandler_ = std::move(handler);
}

void VirtualApplication::setObserver(std::function<void()> observer) {
  observer_ = std::move(observer);
}

void VirtualApplication::changed() const {
  if (observer_) observer_();
}

}  // namespace kestravane::platform::vmac
