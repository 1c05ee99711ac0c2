#include "KestravaneKit/Permissions.h"

#include "Platform/Services.h"

namespace kestravane::Permissions {

bool hasInputMonitoring() {
  return platform::current()->eventTaps->preflightListenEventAccess();
}

bool hasAccessibility() {
  return platform::current()->accessibility->isProcessTrusted();
}

bool isSecureInputActive() {
  return platform::current()->accessibility->isSecureEventInputEnabled();
}

bool requestInputMonitoring() {
  return platform::current()->eventTaps->requestListenEventAccess();
}

void promptAccessibility() {
  // The answer is not used: the outcome is learnt from later polls of hasAccessibility().
  platform::current()->accessibility->isProcessTrustedWithOptions(
      {{platform::kAXTrustedCheckOptionPrompt, true}});
}

}  // namespace kestravane::Permissions
