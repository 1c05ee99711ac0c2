// Engine health and its derivation from the gathered platform state, and the names of the
// healths and their remedies.
// Threads: pure values and functions without state; usable from any thread.
#pragma once

#include <array>
#include <cstdint>

#include "KestravaneCore/TriggerKeys.h"

namespace kestravane {

// The healths, one row each, in ranking order: the first row whose rule holds decides (see
// EngineState::health). A row is the health's name, whether it stops the engine, its menu-bar
// symbol, its status text (the row declares that TextId), whether it is a problem the user can
// act on, the remedies it offers, and last its rule over the EngineInputs `in`. Expanded in
// Presentation.cpp, which gives the reasons for the order, and in TextId.h.
// noInputMonitoring ranks below `active`, so only the engine's own state (and the doctor, which
// asks each rule alone) reports it.
// clang-format off
#define PLIVEX_ENGINE_HEALTHS(X)                                                                 \
  X(noAccessibility, true, kWarning, statusNoAccessibility, true,                                \
    (RemedyId::requestAccessibility, RemedyId::openAccessibilitySettings),                       \
    !in.hasAccessibility)                                                                        \
  X(layoutsUnswitchable, true, kWarning, statusLayoutsUnswitchable, true,                        \
    (RemedyId::switchableDesktopHint),                                                           \
    in.layoutsUnswitchable)                                                                      \
  X(needsLayouts, true, kWarning, statusNeedsLayouts, true,                                      \
    (RemedyId::needLayoutsHint, RemedyId::openKeyboardSettings),                                 \
    in.layoutCount < 2)                                                                          \
  X(globeNotFree, true, kWarning, statusGlobeNotFree, true, (RemedyId::freeGlobe),               \
    in.triggerConflict == KeyConflict::globeKey && !in.triggerKeyFree)                           \
  X(capsLockNotFree, true, kWarning, statusCapsLockNotFree, true, (RemedyId::freeCapsLock),      \
    in.triggerConflict == KeyConflict::capsLockSwitching && !in.triggerKeyFree)                  \
  X(metaNotFree, true, kWarning, statusMetaNotFree, true, (RemedyId::freeMeta),                  \
    in.triggerConflict == KeyConflict::metaLauncher && !in.triggerKeyFree)                       \
  X(disabled, false, kKeyboard, statusDisabled, false, (), !in.userEnabled)                      \
  X(tapDisabled, false, kWarning, statusTapDisabled, true, (RemedyId::reAddAccessibility),       \
    !in.isRunning || in.tapDisabled)                                                             \
  X(secureInput, false, kWarning, statusSecureInput, false, (), in.secureInput)                  \
  X(active, false, kKeyboardFill, statusActive, false, (), true)                                 \
  X(noInputMonitoring, false, kWarning, statusNoInputMonitoring, true, (),                       \
    !in.hasInputMonitoring)

// The healths the doctor names when they stop switching, each with its word, in the order of its
// blocking line: the permissions as the user grants them, then the machine's settings, then
// secure input.
#define PLIVEX_DOCTOR_WORDS(X)                                                                   \
  X(noAccessibility, "accessibility") X(noInputMonitoring, "input-monitoring")                   \
  X(tapDisabled, "post-event-access") X(needsLayouts, "layouts") X(globeNotFree, "globe-key")    \
  X(capsLockNotFree, "caps-lock-abc") X(metaNotFree, "meta-launcher")                            \
  X(secureInput, "secure-input")

// The remedies, one row each: the name, its menu text (the row declares that TextId), what
// choosing it does, to whom it is offered, whether the settings window offers it, the window's
// fixed label ("" none), the console's command ("" none), the text shown where the action cannot
// be carried out (std::nullopt: not offered there), and the window's own text where it has room
// for more (std::nullopt: the menu's).
#define PLIVEX_REMEDIES(X)                                                                       \
  X(requestAccessibility, requestAccessibility, promptAccessibility, whileUntrusted, true, "",   \
    "grant accessibility", TextId::requestAccessibility, std::nullopt)                          \
  X(openAccessibilitySettings, openSettingsEllipsis, openAccessibilitySettings, whileUntrusted,  \
    true, "Open settings…", "", std::nullopt, std::nullopt)                                      \
  X(needLayoutsHint, needLayoutsHint, none, always, true, "", "enable <id>",                     \
    TextId::needLayoutsHint, std::nullopt)                                                       \
  X(openKeyboardSettings, openKeyboardSettings, openKeyboardSettings, always, false, "", "",     \
    std::nullopt, std::nullopt)                                                                  \
  X(freeGlobe, freeGlobe, openKeyboardSettings, always, true, "", "globe free",                  \
    TextId::freeGlobe, std::nullopt)                                                             \
  X(freeCapsLock, freeCapsLock, openKeyboardSettings, always, true, "", "capslock free",         \
    TextId::freeCapsLockByHand, std::nullopt)                                                    \
  X(reAddAccessibility, reAddAccessibility, openAccessibilitySettings, whileTrusted, true, "",   \
    "", TextId::reAddAccessibility, std::nullopt)                                                \
  X(freeMeta, freeMeta, none, always, true, "", "", TextId::freeMetaCommands,                    \
    TextId::freeMetaCommands)                                                                    \
  X(switchableDesktopHint, switchableDesktopHint, none, always, true, "", "",                    \
    TextId::switchableDesktopCommands, TextId::switchableDesktopCommands)
// clang-format on

// Not persisted, so no raw values.
#define PLIVEX_CASE(name, ...) name,
enum class EngineHealth { PLIVEX_ENGINE_HEALTHS(PLIVEX_CASE) };
enum class RemedyId { PLIVEX_REMEDIES(PLIVEX_CASE) };
#undef PLIVEX_CASE

#define PLIVEX_HEALTH_ITEM(name, ...) EngineHealth::name,
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
