#include "Platform/Virtual/VirtualLoginItems.h"

#include <utility>

namespace kestravane::platform::vmac {

VirtualLoginItems::VirtualLoginItems(LoginItemStatus initial) : _status(initial) {}

LoginItemStatus VirtualLoginItems::status() {
  std::lock_guard lock(mutex);
  ++statusCalls;
  return _status;
}

std::optional<ServiceError> VirtualLoginItems::registerMainApp() {
  {
    std::lock_guard lock(mutex);
    ++registerCalls;
    if (registerFailure) return ServiceError{*registerFailure};
    if (_status == LoginItemStatus::notFound) return ServiceError{kServiceNotFoundDescription};
    _status = requiresApproval ? LoginItemStatus::requiresApproval : LoginItemStatus::enabled;
  }
  statusObserver.notify();
  return std::nullopt;
}

std::optional<ServiceError> VirtualLoginItems::unregisterMainApp() {
  {
    std::lock_guard lock(mutex);
    ++unregisterCalls;
    if (unregisterFailure) return ServiceError{*unregisterFailure};
    _status = LoginItemStatus::notRegistered;
  }
  statusObserver.notify();
  return std::nullopt;
}

bool VirtualLoginItems::openSystemSettingsLoginItems() {
  std::lock_guard lock(mutex);
  ++loginItemsPaneOpens;
  return true;
}

int VirtualLoginItems::loginItemsPaneOpenCount() const {
  std::lock_guard lock(mutex);
  return loginItemsPaneOpens;
}

void VirtualLoginItems::setStatus(LoginItemStatus status) {
  {
    std::lock_guard lock(mutex);
    _status = status;
  }
  statusObserver.notify();
}

LoginItemStatus VirtualLoginItems::currentStatus() const {
  std::lock_guard lock(mutex);
  return _status;
}

void VirtualLoginItems::setRequiresApproval(bool required) {
  std::lock_guard lock(mutex);
  requiresApproval = required;
}

void VirtualLoginItems::approve() {
  {
    std::lock_guard lock(mutex);
    if (_status != LoginItemStatus::requiresApproval) return;
    _status = LoginItemStatus::enabled;
  }
  statusObserver.notify();
}

void VirtualLoginItems::setRegisterFailure(std::optional<std::string> description) {
  std::lock_guard lock(mutex);
  registerFailure = std::move(description);
}

void VirtualLoginItems::setUnregisterFailure(std::optional<std::string> description) {
  std::lock_guard lock(mutex);
  unregisterFailure = std::move(description);
}

void VirtualLoginItems::setStatusObserver(std::function<void()> observer) {
  statusObserver.set(std::move(observer));
}

int VirtualLoginItems::statusCallCount() const {
  std::lock_guard lock(mutex);
  return statusCalls;
}

int VirtualLoginItems::registerCallCount() const {
  std::lock_guard lock(mutex);
  return registerCalls;
}

int VirtualLoginItems::unregisterCallCount() const {
  std::lock_guard lock(mutex);
  return unregisterCalls;
}

}  // namespace kestravane::platform::vmac
