#include "KestravaneKit/Permissions.h"

namespace kestravane {

Permissions::Permissions(const platform::Services& services)
    : eventTaps(services.eventTaps), accessibility(services.accessibility) {}

bool Permissions::hasInputMonitoring() const {
  return eventTaps->preflightListenEventAccess();
}

bool Permissions::hasAccessibility() const {
  return accessibility->isProcessTrusted();
}

bool Permissions::isSecureInputActive() const {
  return accessibility->isSecureEventInputEnabled();
}

bool Permissions::requestInputMonitoring() const {
  return eventTaps->requestListenEventAccess();
}

void Permissions::promptAccessibility() const {
  // The answer is not used: the outcome is learnt from later polls of hasAccessibility().
  accessibility->isProcessTrustedWithOptions({{platform::kAXTrustedCheckOptionPrompt, true}});
}

}  // namespace kestravane
