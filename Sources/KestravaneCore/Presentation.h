// What the menu and the settings window show and offer for an engine health.
// Threads: pure values and functions; usable from any thread.
#pragma once

#include <string_view>

#include "KestravaneCore/EngineState.h"
#include "KestravaneCore/Strings.h"

namespace kestravane {

// The remedies a window offers; each false unless set.
struct UIActions {
  bool requestAccessibility = false;  // the Accessibility request
  bool needsLayoutsHint = false;      // the hint to enable at least two layouts
  bool freeGlobe = false;             // the offer to free the Globe key
  bool freeCapsLock = false;          // the offer to turn off the system's Caps Lock switching

  friend bool operator==(const UIActions&, const UIActions&) = default;
};

namespace Presentation {

// Whether the health is a problem the user can act on; secure input is not.
bool isProblem(EngineHealth health);

// `hasInputMonitoring` is accepted for the callers' symmetry but does not change the result.
UIActions actions(EngineHealth health, bool hasInputMonitoring, bool hasAccessibility);

// The status line for the health: the text named after the case, from `strings`.
std::string_view statusLine(EngineHealth health, const Strings& strings);

}  // namespace Presentation

}  // namespace kestravane
