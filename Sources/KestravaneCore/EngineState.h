// Engine health and its derivation from the gathered platform state.
// Threads: pure values and functions without state; usable from any thread.
#pragma once

#include <array>
#include <cstdint>

#include "KestravaneCore/TriggerKeys.h"

namespace kestravane {

// Not persisted, so no raw values; the order of the cases is fixed.
enum class EngineHealth {
  active,             // switching works
  disabled,           // the user has switched the program off
  needsLayouts,       // fewer than two keyboard layouts are enabled
  noInputMonitoring,  // the engine has no working tap (only the engine's own state)
  noAccessibility,    // the process is not trusted for Accessibility
  tapDisabled,        // the engine should run but does not, or the system disabled its tap
  globeNotFree,       // the trigger is fn/Globe and the system uses that key
  capsLockNotFree,    // the trigger is Caps Lock and the system switches input sources with it
  metaNotFree,        // the trigger is right Super and the desktop acts on a lone Meta tap
  secureInput,        // secure keyboard entry is on while everything else is in order
};

inline constexpr std::array<EngineHealth, 10> allEngineHealths = {
    EngineHealth::active,          EngineHealth::disabled,
    EngineHealth::needsLayouts,    EngineHealth::noInputMonitoring,
    EngineHealth::noAccessibility, EngineHealth::tapDisabled,
    EngineHealth::globeNotFree,    EngineHealth::capsLockNotFree,
    EngineHealth::secureInput,     EngineHealth::metaNotFree,
};

// Everything the health derivation looks at, as the application controller gathers it.
struct EngineInputs {
  bool hasAccessibility = false;
  std::int64_t layoutCount = 0;
  // The system setting that may use the configured trigger's key (its row in kTriggerKeys), and
  // whether that setting leaves the key to us.
  KeyConflict triggerConflict = KeyConflict::none;
  bool triggerKeyFree = false;
  bool userEnabled = false;
  bool isRunning = false;    // started successfully and not stopped since
  bool tapDisabled = false;  // the engine's own health is tapDisabled
  bool secureInput = false;

  friend bool operator==(const EngineInputs&, const EngineInputs&) = default;
};

namespace EngineState {

// A precondition other than the user's on/off switch is missing: the engine must not run.
bool isBlocked(const EngineInputs& inputs);

// The engine ought to be running now.
bool shouldRun(const EngineInputs& inputs);

// The first health of the ranking (Presentation.cpp) whose rule holds; never noInputMonitoring.
EngineHealth health(const EngineInputs& inputs);

}  // namespace EngineState

}  // namespace kestravane
