// Whether the program is registered as the user's login item, and registering it; and the one
// word each login-item status is reported by (the doctor's report, the console).
// Threads: main thread. Holds only the services it uses. The words: any thread.
#pragma once

#include <array>
#include <memory>
#include <string_view>
#include <utility>

#include "Platform/Services.h"

namespace kestravane {

inline constexpr std::array<std::pair<platform::LoginItemStatus, std::string_view>, 4>
    kLoginItemWords{{
        {platform::LoginItemStatus::notRegistered, "not-registered"},
        {platform::LoginItemStatus::enabled, "enabled"},
        {platform::LoginItemStatus::requiresApproval, "requires-approval"},
        {platform::LoginItemStatus::notFound, "not-found"},
    }};

// The status's word; "unknown" for a value the system has added since.
std::string_view loginItemWord(platform::LoginItemStatus status);

class LaunchAtLogin {
 public:
  explicit LaunchAtLogin(const platform::Services& services);

  // The login item's status, asked afresh.
  platform::LoginItemStatus status() const;
  // True while the login item is registered: enabled, or awaiting the user's approval in System
  // Settings, where registering it again changes nothing.
  bool isRegistered() const;
  // Registers (true) or unregisters (false) the login item; false, with a log line, on failure.
  bool setEnabled(bool on) const;

 private:
  std::shared_ptr<platform::LoginItems> loginItems;
  std::shared_ptr<platform::Log> log;
};

}  // namespace kestravane
