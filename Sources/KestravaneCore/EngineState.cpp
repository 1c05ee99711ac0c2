#include "KestravaneCore/EngineState.h"

#include "KestravaneCore/Presentation.h"

namespace kestravane::EngineState {
namespace {

// The health of a system setting that takes the trigger's key away, if it does.
std::optional<EngineHealth> conflictHealth(const EngineInputs& inputs) {
  if (inputs.triggerKeyFree) return std::nullopt;
  const auto look = Presentation::conflictLook(inputs.triggerConflict);
  if (!look) return std::nullopt;
  return look->health;
}

}  // namespace

bool isBlocked(const EngineInputs& inputs) {
  return !inputs.hasAccessibility || inputs.layoutCount < 2 || conflictHealth(inputs).has_value();
}

bool shouldRun(const EngineInputs& inputs) {
  return inputs.userEnabled && !isBlocked(inputs);
}

EngineHealth health(const EngineInputs& inputs) {
  if (!inputs.hasAccessibility) return EngineHealth::noAccessibility;
  if (inputs.layoutCount < 2) return EngineHealth::needsLayouts;
  if (const auto conflict = conflictHealth(inputs)) return *conflict;
  if (!inputs.userEnabled) return EngineHealth::disabled;
  // A failed start leaves isRunning false; it shows as a disabled tap while switching is on.
  if (!inputs.isRunning || inputs.tapDisabled) return EngineHealth::tapDisabled;
  // Secure input never stops the engine and ranks below every other problem.
  if (inputs.secureInput) return EngineHealth::secureInput;
  return EngineHealth::active;
}

}  // namespace kestravane::EngineState
