#include "Platform/Virtual/VirtualLoginItems.h"

#include <utility>

namespace kestravane::platform::vmac {

VirtualLoginItems::VirtualLoginItems(LoginItemStatus initial) : status_(initial) {}

LoginItemStatus VirtualLoginItems::status() {
  std::lock_guard lock(mutex_);
  ++statusCalls_;
  return status_;
}

std::optional<ServiceError> VirtualLoginItems::registerMainApp() {
  {
    std::lock_guard lock(mutex_);
    ++registerCalls_;
    if (registerFailure_) return ServiceError{*registerFailure_};
    if (status_ == LoginItemStatus::notFound) return ServiceError{kServiceNotFoundDescription};
    status_ = requiresApproval_ ? LoginItemStatus::requiresApproval : LoginItemStatus::enabled;
  }
  statusObserver.notify();
  return std::nullopt;
}

std::optional<ServiceError> VirtualLoginItems::unregisterMainApp() {
  {
    std::lock_guard lock(mutex_);
    ++unregisterCalls_;
    if (unregisterFailure_) return ServiceError{*unregisterFailure_};
    status_ = LoginItemStatus::notRegistered;
  }
  statusObserver.notify();
  return std::nullopt;
}

void VirtualLoginItems::setStatus(LoginItemStatus status) {
  {
    std::lock_guard lock(mutex_);
    status_ = status;
  }
  statusObserver.notify();
}

LoginItemStatus VirtualLoginItems::currentStatus() const {
  std::lock_guard lock(mutex_);
  return status_;
}

void VirtualLoginItems::setRequiresApproval(bool requiresApproval) {
  std::lock_guard lock(mutex_);
  requiresApproval_ = requiresApproval;
}

void VirtualLoginItems::approve() {
  {
    std::lock_guard lock(mutex_);
    if (status_ != LoginItemStatus::requiresApproval) return;
    status_ = LoginItemStatus::enabled;
  }
  statusObserver.notify();
}

void VirtualLoginItems::setRegisterFailure(std::optional<std::string> description) {
  std::lock_guard lock(mutex_);
  registerFailure_ = std::move(description);
}

void VirtualLoginItems::setUnregisterFailure(std::optional<std::string> description) {
  std::lock_guard lock(mutex_);
  unregisterFailure_ = std::move(description);
}

void VirtualLoginItems::setStatusObserver(std::function<void()> observer) {
  statusObserver.set(std::move(observer));
}

int VirtualLoginItems::statusCallCount() const {
  std::lock_guard lock(mutex_);
  return statusCalls_;
}

int VirtualLoginItems::registerCallCount() const {
  std::lock_guard lock(mutex_);
  return registerCalls_;
}

int VirtualLoginItems::unregisterCallCount() const {
  std::lock_guard lock(mutex_);
  return unregisterCalls_;
}

}  // namespace kestravane::platform::vmac
