// The privacy permissions and secure keyboard entry of the virtual Mac, as System Settings holds
// them: Input Monitoring (listen-event access), Accessibility trust, and whether some
// application has secure input on. Shared by the accessibility and event-tap models.
// Nothing is granted at first, as on a Mac where the program was never allowed.
// Threads: any thread; every value is atomic. The observer runs on the thread that made a
// change, after it.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <utility>

#include "Platform/Virtual/ChangeObserver.h"

namespace kestravane::platform::vmac {

class PermissionState {
 public:
  bool inputMonitoring() const { return _inputMonitoring.load(); }
  void setInputMonitoring(bool granted) { changeTo(_inputMonitoring, granted); }

  bool accessibilityTrusted() const { return _accessibilityTrusted.load(); }
  void setAccessibilityTrusted(bool trusted) { changeTo(_accessibilityTrusted, trusted); }

  // CGPreflightPostEventAccess: what an active tap needs. It comes with Accessibility trust,
  // but a rebuilt program that the Accessibility list still names by its old signature can be
  // trusted while it lacks it (seen on Sequoia): setPostAccessStale(true) stands for that.
  bool postEventAccess() const { return _accessibilityTrusted.load() && !_postAccessStale.load(); }
  void setPostAccessStale(bool stale) { changeTo(_postAccessStale, stale); }

  bool secureInput() const { return _secureInput.load(); }
  void setSecureInput(bool on) { changeTo(_secureInput, on); }

  // CGRequestListenEventAccess: the request is counted and lists the program under Input
  // Monitoring; it grants access only when setListenRequestGrants(true) says the user will
  // click Allow (by default the user has to go to System Settings).
  bool requestListenEventAccess();
  void setListenRequestGrants(bool grants) { listenRequestGrants.store(grants); }
  std::size_t listenRequestCount() const { return listenRequests.load(); }

  // Whether the program shows up in the Input Monitoring list: macOS adds it the first time it
  // asks for a tap or for access.
  bool listedForInputMonitoring() const { return listed.load(); }
  void noteInputMonitoringUse() { listed.store(true); }

  // Called after each change of Input Monitoring, Accessibility trust or secure input.
  void setObserver(std::function<void()> observer) { changed.set(std::move(observer)); }

 private:
  void changeTo(std::atomic<bool>& value, bool wanted) {
    if (value.exchange(wanted) != wanted) changed.notify();
  }

  std::atomic<bool> _inputMonitoring{false};
  std::atomic<bool> _accessibilityTrusted{false};
  std::atomic<bool> _secureInput{false};
  std::atomic<bool> _postAccessStale{false};
  std::atomic<bool> listenRequestGrants{false};
  std::atomic<bool> listed{false};
  std::atomic<std::size_t> listenRequests{0};
  ChangeObserver changed;
};

}  // namespace kestravane::platform::vmac
