// The privacy permissions and secure keyboard entry of the virtual Mac, as System Settings holds
// them: Input Monitoring (listen-event access), Accessibility trust, and whether some
// application has secure input on. Shared by the accessibility and event-tap models.
// Nothing is granted at first, as on a Mac where the program was never allowed.
// Threads: any thread; every value is atomic.
#pragma once

#include <atomic>
#include <cstddef>

namespace kestravane::platform::vmac {

class PermissionState {
 public:
  bool inputMonitoring() const { return inputMonitoring_.load(); }
  void setInputMonitoring(bool granted) { inputMonitoring_.store(granted); }

  bool accessibilityTrusted() const { return accessibilityTrusted_.load(); }
  void setAccessibilityTrusted(bool trusted) { accessibilityTrusted_.store(trusted); }

  bool secureInput() const { return secureInput_.load(); }
  void setSecureInput(bool on) { secureInput_.store(on); }

  // CGRequestListenEventAccess: the request is counted and lists the program under Input
  // Monitoring; it grants access only when setListenRequestGrants(true) says the user will
  // click Allow (by default the user has to go to System Settings).
  bool requestListenEventAccess();
  void setListenRequestGrants(bool grants) { listenRequestGrants_.store(grants); }
  std::size_t listenRequestCount() const { return listenRequests_.load(); }

  // Whether the program shows up in the Input Monitoring list: macOS adds it the first time it
  // asks for a tap or for access.
  bool listedForInputMonitoring() const { return listed_.load(); }
  void noteInputMonitoringUse() { listed_.store(true); }

 private:
  std::atomic<bool> inputMonitoring_{false};
  std::atomic<bool> accessibilityTrusted_{false};
  std::atomic<bool> secureInput_{false};
  std::atomic<bool> listenRequestGrants_{false};
  std::atomic<bool> listed_{false};
  std::atomic<std::size_t> listenRequests_{0};
};

}  // namespace kestravane::platform::vmac
