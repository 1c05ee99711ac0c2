// Engine health and its derivation from the gathered platform state, and the names of the
// healths and their remedies.
// Threads: pure values and functions without state; usable from any thread.
#pragma once

#include <array>
#include <cstdint>

#include "KestravaneCore/TriggerKeys.h"

namespace kestravane {

// The healths and the remedies by name (not persisted, so no raw values); everything else about
// them is a row of Presentation.cpp, where each row says what its health means. noInputMonitoring:
// the engine has no working tap (the engine's own state, or the doctor's). reAddAccessibility: the
// system refused the tap of a trusted program, whose Accessibility entry names an older build.
// clang-format off
#define PLIVEX_ENGINE_HEALTHS(X)                                                                 \
  X(active) X(disabled) X(needsLayouts) X(noInputMonitoring) X(noAccessibility) X(tapDisabled)   \
  X(globeNotFree) X(capsLockNotFree) X(secureInput) X(metaNotFree) X(layoutsUnswitchable)
#define PLIVEX_REMEDIES(X)                                                                       \
  X(requestAccessibility) X(openAccessibilitySettings) X(needLayoutsHint)                        \
  X(openKeyboardSettings) X(freeGlobe) X(freeCapsLock) X(reAddAccessibility) X(freeMeta)
// clang-format on

#define PLIVEX_CASE(name) name,
enum class EngineHealth { PLIVEX_ENGINE_HEALTHS(PLIVEX_CASE) };
enum class RemedyId { PLIVEX_REMEDIES(PLIVEX_CASE) };
#undef PLIVEX_CASE

#define PLIVEX_HEALTH_ITEM(name) EngineHealth::name,
inline constexpr std::array allEngineHealths{PLIVEX_ENGINE_HEALTHS(PLIVEX_HEALTH_ITEM)};
#undef PLIVEX_HEALTH_ITEM

// Everything the health derivation looks at: the system's part as gatherEngineInputs()
// (KestravaneKit/EngineInputsGatherer.h) reads it, the engine's part as its owner knows it.
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
  bool hasInputMonitoring = false;   // the system's preflight answer; only the doctor asks
  bool layoutsUnswitchable = false;  // the system offers no way to list and switch layouts

  friend bool operator==(const EngineInputs&, const EngineInputs&) = default;
};

namespace EngineState {

// A precondition other than the user's on/off switch is missing: the engine must not run.
bool isBlocked(const EngineInputs& inputs);

// The engine ought to be running now.
bool shouldRun(const EngineInputs& inputs);

// The first health of the ranking (Presentation.cpp) whose rule holds; never noInputMonitoring.
EngineHealth health(const EngineInputs& inputs);

// Whether the health's own rule holds, whatever ranks above it (the doctor names each).
bool holds(EngineHealth health, const EngineInputs& inputs);

}  // namespace EngineState

}  // namespace kestravane
