#include "Platform/Virtual/PermissionState.h"

namespace kestravane::platform::vmac {

bool PermissionState::requestListenEventAccess() {
  listenRequests.fetch_add(1);
  noteInputMonitoringUse();
  if (listenRequestGrants.load()) changeTo(_inputMonitoring, true);
  return _inputMonitoring.load();
}

}  // namespace kestravane::platform::vmac
