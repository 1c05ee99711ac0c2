#include "KestravaneKit/EngineInputsGatherer.h"

#include "KestravaneKit/CapsLockKeyManager.h"
#include "KestravaneKit/GlobeKeyManager.h"
#include "KestravaneKit/InputSourceSwitcher.h"
#include "KestravaneKit/MetaKeyManager.h"
#include "KestravaneKit/Permissions.h"

namespace kestravane {

EngineInputs gatherEngineInputs(const platform::Services& services, TriggerKind trigger,
                                const KnownInputs* known) {
  const Permissions permissions(services);
  const KeyConflict conflict =
      conflictOf(trigger, services.pcKeyboard ? Keyboard::pc : Keyboard::mac);
  const auto layoutCount =
      known ? known->layoutCount
            : static_cast<std::int64_t>(
                  InputSourceSwitcher(services).enabledSelectableSources().size());
  return {.hasAccessibility = permissions.hasAccessibility(),
          .layoutCount = layoutCount,
          .triggerConflict = conflict,
          .triggerKeyFree = known ? known->keyFree(conflict) : isKeyFree(services, conflict),
          .secureInput = permissions.isSecureInputActive(),
          .hasInputMonitoring = permissions.hasInputMonitoring(),
          .layoutsUnswitchable = !services.inputSources->canSwitchLayouts()};
}

bool isKeyFree(const platform::Services& services, KeyConflict conflict) {
  switch (conflict) {
    case KeyConflict::none:
      return true;
    case KeyConflict::globeKey:
      return GlobeKeyManager(services).isGlobeFree();
    case KeyConflict::capsLockSwitching:
      return CapsLockKeyManager(services).isCapsLockFree();
    case KeyConflict::metaLauncher:
      return MetaKeyManager(services).isMetaFree();
  }
  return false;
}

}  // namespace kestravane
