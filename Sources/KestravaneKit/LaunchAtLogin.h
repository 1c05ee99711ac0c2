// Whether the program is registered as the user's login item, and registering it.
// Threads: main thread. Holds only the services it uses.
#pragma once

#include <memory>

#include "Platform/Services.h"

namespace kestravane {

class LaunchAtLogin {
 public:
  explicit LaunchAtLogin(const platform::Services& services);

  // The login item's status, asked afresh.
  platform::LoginItemStatus status() const;
  // True only while the login item's status is enabled (not while it awaits approval).
  bool isEnabled() const;
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
