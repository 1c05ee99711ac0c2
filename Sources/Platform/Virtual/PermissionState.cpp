#include "Platform/Virtual/PermissionState.h"

namespace kestravane::platform::vmac {

bool PermissionState::requestListenEventAccess() {
  listenRequests_.fetch_add(1);
  noteInputMonitoringUse();
  if (!inputMonitoring_.load() && listenRequestGrants_.load()) inputMonitoring_.store(true);
  return inputMonitoring_.load();
}

}  // namespace kestravane::platform::vmac
