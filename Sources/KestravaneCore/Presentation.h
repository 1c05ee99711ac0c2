// What the menu, the settings window, the onboarding window, the console and the doctor show
// and offer for an engine health: one table row per health (symbol, status text, whether it is a
// problem), one per remedy (text, what choosing it does) and one per key conflict (its health,
// remedy and onboarding step). Each place that shows them renders the same list with one loop.
// Threads: pure values and functions; usable from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "KestravaneCore/EngineState.h"
#include "KestravaneCore/Strings.h"
#include "KestravaneCore/TriggerKeys.h"

namespace kestravane {

// The remedies a window offers; each false unless set.
struct UIActions {
  bool requestAccessibility = false;  // the Accessibility request
  bool needsLayoutsHint = false;      // the hint to enable at least two layouts
  bool freeGlobe = false;             // the offer to free the Globe key
  bool freeCapsLock = false;          // the offer to turn off the system's Caps Lock switching

  friend bool operator==(const UIActions&, const UIActions&) = default;
};

// Every remedy, in the order the menu lists them.
enum class RemedyId {
  requestAccessibility,
  openAccessibilitySettings,
  needLayoutsHint,
  openKeyboardSettings,
  freeGlobe,
  freeCapsLock,
  // The system refused the tap although the program is trusted: the Accessibility list names an
  // older build (post-event access is missing), so the entry must be made again.
  reAddAccessibility,
};

// What choosing a remedy does; `none` is a hint, shown as text.
enum class RemedyAction {
  none,
  promptAccessibility,
  openAccessibilitySettings,
  openKeyboardSettings,
  // Asks the system for Input Monitoring once; afterwards opens its privacy pane, since the
  // system asks the user only the first time.
  requestInputMonitoring
};

struct Remedy {
  RemedyId id;
  std::string_view name;  // the remedy's stable name, e.g. "requestAccessibility"
  RemedyAction action;
  std::string text;  // as the menu shows it
  // As the settings window shows it; absent where the window does not offer it.
  std::optional<std::string> windowText;

  bool operator==(const Remedy&) const = default;
};

namespace Presentation {

// Whether the health is a problem the user can act on; secure input is not.
bool isProblem(EngineHealth health);

// `hasInputMonitoring` is accepted for the callers' symmetry but does not change the result.
UIActions actions(EngineHealth health, bool hasInputMonitoring, bool hasAccessibility);

// The remedies offered for the health, in order, with their texts in `strings`' language; none
// for a health that is no problem.
std::vector<Remedy> remedies(EngineHealth health, bool hasAccessibility, const Strings& strings);

// The status line for the health: the text named after the case, from `strings`.
std::string_view statusLine(EngineHealth health, const Strings& strings);

// The name of the menu-bar symbol for the health, as the platform spells it.
std::string_view symbolName(EngineHealth health);

// The health, remedy and onboarding step of a key conflict (KeyConflict::none has none).
struct ConflictLook {
  std::string_view name;  // the setting's stable name, e.g. "globe"
  EngineHealth health;
  RemedyId remedy;
  TextId stepTitle;
  TextId stepHint;
};
std::optional<ConflictLook> conflictLook(KeyConflict conflict);

}  // namespace Presentation

}  // namespace kestravane
