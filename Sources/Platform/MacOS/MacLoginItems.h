// The application's own login item through Service Management (SMAppService.mainAppService, macOS
// 13 and later).
// Threads: main thread, as the program calls it.
#pragma once

#include <optional>

#include "Platform/LoginItems.h"

namespace kestravane::platform::macos {

class MacLoginItems final : public LoginItems {
 public:
  LoginItemStatus status() override;
  // A failure's description is the NSError's localizedDescription.
  std::optional<ServiceError> registerMainApp() override;
  std::optional<ServiceError> unregisterMainApp() override;
  // +[SMAppService openSystemSettingsLoginItems] has no result: true once asked.
  bool openSystemSettingsLoginItems() override;
};

}  // namespace kestravane::platform::macos
