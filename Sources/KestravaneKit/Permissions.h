// The Accessibility trust, the Input Monitoring permission and the secure-input state, asked of
// the system at the moment they are asked.
// Threads: main thread. Holds only the services it asks.
#pragma once

#include <memory>

#include "Platform/Services.h"

namespace kestravane {

class Permissions {
 public:
  explicit Permissions(const platform::Services& services);

  // Whether the program may listen to keyboard events.
  bool hasInputMonitoring() const;
  // Whether the process is trusted for Accessibility.
  bool hasAccessibility() const;
  // Whether some application has secure keyboard entry on (taps then see no key events).
  bool isSecureInputActive() const;
  // Asks the system for Input Monitoring; returns its answer unchanged.
  bool requestInputMonitoring() const;
  // Makes the system show its Accessibility prompt when the process is not trusted yet.
  void promptAccessibility() const;

 private:
  std::shared_ptr<platform::EventTaps> eventTaps;
  std::shared_ptr<platform::Accessibility> accessibility;
};

}  // namespace kestravane
