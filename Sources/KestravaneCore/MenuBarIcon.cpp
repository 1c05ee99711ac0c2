#include "KestravaneCore/MenuBarIcon.h"

namespace kestravane::MenuBarIcon {

std::string_view symbolName(EngineHealth health) {
  switch (health) {
    case EngineHealth::active:
      return "keyboard.fill";
    case EngineHealth::disabled:
      return "keyboard";
    case EngineHealth::needsLayouts:
    case EngineHealth::noInputMonitoring:
    case EngineHealth::noAccessibility:
    case EngineHealth::tapDisabled:
    case EngineHealth::globeNotFree:
    case EngineHealth::capsLockNotFree:
    // Secure input is no problem of ours, but the user should still see the warning.
    case EngineHealth::secureInput:
      return "exclamationmark.triangle.fill";
  }
  return "exclamationmark.triangle.fill";
}

}  // namespace kestravane::MenuBarIcon
