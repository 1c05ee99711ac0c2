// Reads whether the system itself switches input sources with the Caps Lock key ("Use the Caps
// Lock key to switch to and from ABC": "TISRomanSwitchState" in the global domain), afresh at
// every call. While it does, a Caps Lock press switches twice: once by the system, once by Plivex.
// Threads: main thread. Holds only the preferences service.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "Platform/Services.h"

namespace kestravane {

class CapsLockKeyManager {
 public:
  explicit CapsLockKeyManager(const platform::Services& services);

  // The stored value: a number holding an integer as that integer, a boolean as 1 or 0; absent
  // when the preference is missing or holds anything else.
  std::optional<std::int64_t> current() const;
  // The preference is present and says the system does not switch with Caps Lock.
  bool isCapsLockFree() const;

 private:
  std::shared_ptr<platform::Preferences> preferences;
};

}  // namespace kestravane
