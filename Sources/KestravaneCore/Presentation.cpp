#include "KestravaneCore/Presentation.h"

namespace kestravane::Presentation {

bool isProblem(EngineHealth health) {
  switch (health) {
    case EngineHealth::active:
    case EngineHealth::disabled:
    case EngineHealth::secureInput:
      return false;
    case EngineHealth::needsLayouts:
    case EngineHealth::noInputMonitoring:
    case EngineHealth::noAccessibility:
    case EngineHealth::tapDisabled:
    case EngineHealth::globeNotFree:
    case EngineHealth::capsLockNotFree:
      return true;
  }
  return true;
}

UIActions actions(EngineHealth health, bool /*hasInputMonitoring*/, bool hasAccessibility) {
  if (!isProblem(health)) return UIActions{};
  return UIActions{
      .requestAccessibility = !hasAccessibility,
      .needsLayoutsHint = health == EngineHealth::needsLayouts,
      .freeGlobe = health == EngineHealth::globeNotFree,
      .freeCapsLock = health == EngineHealth::capsLockNotFree,
  };
}

std::string_view statusLine(EngineHealth health, const Strings& strings) {
  switch (health) {
    case EngineHealth::active:
      return strings.statusActive();
    case EngineHealth::disabled:
      return strings.statusDisabled();
    case EngineHealth::needsLayouts:
      return strings.statusNeedsLayouts();
    case EngineHealth::noInputMonitoring:
      return strings.statusNoInputMonitoring();
    case EngineHealth::noAccessibility:
      return strings.statusNoAccessibility();
    case EngineHealth::tapDisabled:
      return strings.statusTapDisabled();
    case EngineHealth::globeNotFree:
      return strings.statusGlobeNotFree();
    case EngineHealth::capsLockNotFree:
      return strings.statusCapsLockNotFree();
    case EngineHealth::secureInput:
      return strings.statusSecureInput();
  }
  return strings.statusTapDisabled();
}

}  // namespace kestravane::Presentation
