#include "Platform/Host/HostApplication.h"

#include <utility>

namespace kestravane::platform::host {

bool HostApplication::setActivationPolicy(ActivationPolicy newPolicy) {
  policy = newPolicy;
  changed();
  return true;
}

void HostApplication::activate() {
  ++activations;
  active = true;
  changed();
}

void HostApplication::terminate() {
  ++terminations;
  changed();
  if (terminationHandler) terminationHandler();
}

void HostApplication::deactivate() {
  active = false;
  changed();
}

void HostApplication::setTerminationHandler(std::function<void()> handler) {
  terminationHandler = std::move(handler);
}

void HostApplication::setObserver(std::function<void()> newObserver) {
  observer = std::move(newObserver);
}

void HostApplication::changed() const {
  if (observer) observer();
}

}  // namespace kestravane::platform::host
