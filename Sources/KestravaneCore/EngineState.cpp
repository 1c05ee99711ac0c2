#include "KestravaneCore/EngineState.h"

namespace kestravane::EngineState {
namespace {

bool globeConflict(const EngineInputs& inputs) {
  return inputs.triggerIsFn && !inputs.globeFree;
}

bool capsLockConflict(const EngineInputs& inputs) {
  return inputs.triggerIsCapsLock && !inputs.capsLockFree;
}

}  // namespace

bool isBlocked(const EngineInputs& inputs) {
  return !inputs.hasAccessibility || inputs.layoutCount < 2 || globeConflict(inputs) ||
         capsLockConflict(inputs);
}

bool shouldRun(const EngineInputs& inputs) {
  return inputs.userEnabled && !isBlocked(inputs);
}

EngineHealth health(const EngineInputs& inputs) {
  if (!inputs.hasAccessibility) return EngineHealth::noAccessibility;
  if (inputs.layoutCount < 2) return EngineHealth::needsLayouts;
  if (globeConflict(inputs)) return EngineHealth::globeNotFree;
  if (capsLockConflict(inputs)) return EngineHealth::capsLockNotFree;
  if (!inputs.userEnabled) return EngineHealth::disabled;
  // A failed start leaves isRunning false; it shows as a disabled tap while switching is on.
  if (!inputs.isRunning || inputs.tapDisabled) return EngineHealth::tapDisabled;
  // Secure input never stops the engine and ranks below every other problem.
  if (inputs.secureInput) return EngineHealth::secureInput;
  return EngineHealth::active;
}

}  // namespace kestravane::EngineState
