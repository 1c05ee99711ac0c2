#include "Platform/Virtual/PermissionState.h"

namespace kestravane::platform::vmac {

bool PermissionState::requestListenEventAccess() {
  listenRequests_.fetch_add(1);
  noteInputMonitoringUse();
  if (listenRequestGrants_.load()) changeTo(inputMonitoring_, true);
  return inputMonitoring_.load();
}

}  // namespace kestravane::platform::vmac
