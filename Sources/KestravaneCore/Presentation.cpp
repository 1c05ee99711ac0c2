#include "KestravaneCore/Presentation.h"

#include <algorithm>
#include <array>

namespace kestravane::Presentation {
namespace {

constexpr std::string_view kKeyboard = "keyboard";
constexpr std::string_view kKeyboardFill = "keyboard.fill";
constexpr std::string_view kWarning = "exclamationmark.triangle.fill";

struct HealthLook {
  EngineHealth health;
  std::string_view symbol;
  TextId status;
  bool problem;
};

// Secure input is no problem of ours, but the user should still see the warning.
constexpr std::array<HealthLook, allEngineHealths.size()> kHealthLooks{{
    {EngineHealth::active, kKeyboardFill, TextId::statusActive, false},
    {EngineHealth::disabled, kKeyboard, TextId::statusDisabled, false},
    {EngineHealth::needsLayouts, kWarning, TextId::statusNeedsLayouts, true},
    {EngineHealth::noInputMonitoring, kWarning, TextId::statusNoInputMonitoring, true},
    {EngineHealth::noAccessibility, kWarning, TextId::statusNoAccessibility, true},
    {EngineHealth::tapDisabled, kWarning, TextId::statusTapDisabled, true},
    {EngineHealth::globeNotFree, kWarning, TextId::statusGlobeNotFree, true},
    {EngineHealth::capsLockNotFree, kWarning, TextId::statusCapsLockNotFree, true},
    {EngineHealth::secureInput, kWarning, TextId::statusSecureInput, false},
}};

struct RemedyLook {
  RemedyId id;
  std::string_view name;
  TextId text;
  RemedyAction action;
  bool inWindow;
  std::string_view windowLabel;  // a fixed label the window shows instead of the text
};

// The window offers no keyboard-settings button under the layouts hint, and keeps one fixed
// label for the Accessibility pane in every language.
constexpr std::array<RemedyLook, 7> kRemedyLooks{{
    {RemedyId::requestAccessibility,
     "requestAccessibility",
     TextId::requestAccessibility,
     RemedyAction::promptAccessibility,
     true,
     {}},
    {RemedyId::openAccessibilitySettings, "openAccessibilitySettings", TextId::openSettingsEllipsis,
     RemedyAction::openAccessibilitySettings, true, "Open settings…"},
    {RemedyId::needLayoutsHint,
     "needLayoutsHint",
     TextId::needLayoutsHint,
     RemedyAction::none,
     true,
     {}},
    {RemedyId::openKeyboardSettings,
     "openKeyboardSettings",
     TextId::openKeyboardSettings,
     RemedyAction::openKeyboardSettings,
     false,
     {}},
    {RemedyId::freeGlobe,
     "freeGlobe",
     TextId::freeGlobe,
     RemedyAction::openKeyboardSettings,
     true,
     {}},
    {RemedyId::freeCapsLock,
     "freeCapsLock",
     TextId::freeCapsLock,
     RemedyAction::openKeyboardSettings,
     true,
     {}},
    {RemedyId::reAddAccessibility,
     "reAddAccessibility",
     TextId::reAddAccessibility,
     RemedyAction::openAccessibilitySettings,
     true,
     {}},
}};

// remedies() finds a row by its id's position.
constexpr bool rowsInIdOrder() {
  for (std::size_t i = 0; i < kRemedyLooks.size(); ++i) {
    if (static_cast<std::size_t>(kRemedyLooks[i].id) != i) return false;
  }
  return true;
}
static_assert(rowsInIdOrder());

struct ConflictRow {
  KeyConflict conflict;
  ConflictLook look;
};

constexpr std::array<ConflictRow, 2> kConflicts{{
    {KeyConflict::globeKey,
     {"globe", EngineHealth::globeNotFree, RemedyId::freeGlobe, TextId::stepGlobe,
      TextId::stepGlobeHint}},
    {KeyConflict::capsLockSwitching,
     {"capsLock", EngineHealth::capsLockNotFree, RemedyId::freeCapsLock, TextId::stepCapsLock,
      TextId::stepCapsLockHint}},
}};

const HealthLook& look(EngineHealth health) {
  return kHealthLooks[static_cast<std::size_t>(health)];
}

// The remedies for a problem health, in the menu's order.
std::vector<RemedyId> remedyIds(EngineHealth health, bool hasAccessibility) {
  std::vector<RemedyId> ids;
  if (!isProblem(health)) return ids;
  if (!hasAccessibility) {
    ids.push_back(RemedyId::requestAccessibility);
    ids.push_back(RemedyId::openAccessibilitySettings);
  }
  if (health == EngineHealth::tapDisabled && hasAccessibility) {
    ids.push_back(RemedyId::reAddAccessibility);
  }
  if (health == EngineHealth::needsLayouts) {
    ids.push_back(RemedyId::needLayoutsHint);
    ids.push_back(RemedyId::openKeyboardSettings);
  }
  for (const auto& row : kConflicts) {
    if (row.look.health == health) ids.push_back(row.look.remedy);
  }
  return ids;
}

bool offers(const std::vector<RemedyId>& ids, RemedyId id) {
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

bool isProblem(EngineHealth health) {
  return look(health).problem;
}

UIActions actions(EngineHealth health, bool /*hasInputMonitoring*/, bool hasAccessibility) {
  const auto ids = remedyIds(health, hasAccessibility);
  return UIActions{
      .requestAccessibility = offers(ids, RemedyId::requestAccessibility),
      .needsLayoutsHint = offers(ids, RemedyId::needLayoutsHint),
      .freeGlobe = offers(ids, RemedyId::freeGlobe),
      .freeCapsLock = offers(ids, RemedyId::freeCapsLock),
  };
}

std::vector<Remedy> remedies(EngineHealth health, bool hasAccessibility, const Strings& strings) {
  std::vector<Remedy> offered;
  for (const RemedyId id : remedyIds(health, hasAccessibility)) {
    const RemedyLook& row = kRemedyLooks[static_cast<std::size_t>(id)];
    Remedy remedy{id, row.name, row.action, std::string(strings[row.text]), std::nullopt};
    if (row.inWindow) {
      remedy.windowText = row.windowLabel.empty() ? remedy.text : std::string(row.windowLabel);
    }
    offered.push_back(std::move(remedy));
  }
  return offered;
}

std::string_view statusLine(EngineHealth health, const Strings& strings) {
  return strings[look(health).status];
}

std::string_view symbolName(EngineHealth health) {
  return look(health).symbol;
}

std::optional<ConflictLook> conflictLook(KeyConflict conflict) {
  for (const auto& row : kConflicts) {
    if (row.conflict == conflict) return row.look;
  }
  return std::nullopt;
}

}  // namespace kestravane::Presentation
