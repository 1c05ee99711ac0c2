// The virtual Mac's Service Management login item for the application itself
// (SMAppService.mainApp): its status, registration and unregistration, and the errors the
// service throws.
// Threads: any thread. The status observer runs on the thread that changed the status, after the
// change, with no lock held.
// Locks: one internal mutex around every call.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "Platform/LoginItems.h"
#include "Platform/Virtual/ChangeObserver.h"

namespace kestravane::platform::vmac {

class VirtualLoginItems final : public LoginItems {
 public:
  // What SMAppService throws when it cannot find the service (an app not where launchd can
  // find it), as its ordinary description renders it.
  static constexpr const char* kServiceNotFoundDescription =
      "The operation couldn’t be completed. (SMAppServiceErrorDomain error 3.)";

  explicit VirtualLoginItems(LoginItemStatus initial = LoginItemStatus::notRegistered);

  // Seam. A successful register() makes the item enabled, or waiting for approval while
  // setRequiresApproval(true); a successful unregister() makes it not registered. While the
  // status is notFound the service cannot be found, so register() fails with
  // kServiceNotFoundDescription. A failing call changes nothing and answers its error.
  LoginItemStatus status() override;
  std::optional<ServiceError> registerMainApp() override;
  std::optional<ServiceError> unregisterMainApp() override;
  // Records that System Settings › General › Login Items was shown.
  bool openSystemSettingsLoginItems() override;

  // Control.
  void setStatus(LoginItemStatus status);
  // The status as status() answers it, without counting a call by the program.
  LoginItemStatus currentStatus() const;
  // The user must approve new login items in System Settings before they run.
  void setRequiresApproval(bool requiresApproval);
  // The user approving a waiting item in System Settings: requiresApproval becomes enabled.
  void approve();
  // Every later call fails with this description (e.g. "Operation not permitted") until cleared
  // with nullopt.
  void setRegisterFailure(std::optional<std::string> description);
  void setUnregisterFailure(std::optional<std::string> description);

  // Called after every change of the status, whoever made it (the program or the control).
  void setStatusObserver(std::function<void()> observer);

  int statusCallCount() const;
  int registerCallCount() const;
  int unregisterCallCount() const;
  int loginItemsPaneOpenCount() const;

 private:
  mutable std::mutex mutex;
  LoginItemStatus _status;
  bool requiresApproval = false;
  std::optional<std::string> registerFailure;
  std::optional<std::string> unregisterFailure;
  int statusCalls = 0;
  int registerCalls = 0;
  int unregisterCalls = 0;
  int loginItemsPaneOpens = 0;
  ChangeObserver statusObserver;  // told with mutex not held
};

}  // namespace kestravane::platform::vmac
