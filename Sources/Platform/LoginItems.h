// Service Management: the application's own login item (SMAppService.mainApp).
// Threads: the program calls these on the main thread.
#pragma once

#include <optional>
#include <string>

namespace kestravane::platform {

// SMAppService.Status raw values.
enum class LoginItemStatus : int {
  notRegistered = 0,
  enabled = 1,
  requiresApproval = 2,
  notFound = 3
};

// A thrown NSError, reduced to what the program uses: its description.
struct ServiceError {
  std::string description;
};

class LoginItems {
 public:
  virtual ~LoginItems() = default;
  // SMAppService.mainApp.status.
  virtual LoginItemStatus status() = 0;
  // SMAppService.mainApp.register(); the error when it throws.
  virtual std::optional<ServiceError> registerMainApp() = 0;
  // SMAppService.mainApp.unregister(); the error when it throws.
  virtual std::optional<ServiceError> unregisterMainApp() = 0;
  // +[SMAppService openSystemSettingsLoginItems]: shows System Settings › General › Login Items,
  // where a login item that requires approval is allowed. False where there is no such pane.
  virtual bool openSystemSettingsLoginItems() = 0;
};

}  // namespace kestravane::platform
