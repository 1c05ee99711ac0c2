#include "KestravaneCore/EngineState.h"

#include "KestravaneCore/Presentation.h"

namespace kestravane::EngineState {

bool isBlocked(const EngineInputs& inputs) {
  for (const auto& ranked : Presentation::ranking()) {
    if (ranked.blocks && ranked.holds(inputs)) return true;
  }
  return false;
}

bool shouldRun(const EngineInputs& inputs) {
  return inputs.userEnabled && !isBlocked(inputs);
}

EngineHealth health(const EngineInputs& inputs) {
  for (const auto& ranked : Presentation::ranking()) {
    if (ranked.holds && ranked.holds(inputs)) return ranked.health;
  }
  return EngineHealth::active;
}

}  // namespace kestravane::EngineState
