#include "KestravaneCore/Presentation.h"

// The ranking of EngineState.h is the health table's order, so it is defined here.

#include <algorithm>
#include <array>
#include <initializer_list>

#include "KestravaneCore/Strings.h"

namespace kestravane::Presentation {
namespace {

constexpr std::string_view kKeyboard = "keyboard";
constexpr std::string_view kKeyboardFill = "keyboard.fill";
constexpr std::string_view kWarning = "exclamationmark.triangle.fill";

// Who is offered a remedy: Accessibility's own only while the program is not trusted, the
// re-adding of the entry only while it is.
enum class Offered { always, whileUntrusted, whileTrusted };

struct RemedyRow {
  RemedyId id;
  std::string_view name;
  TextId text;
  RemedyAction action;
  Offered offered;
  bool inWindow;
  std::string_view windowLabel;  // a fixed label the window shows instead of the text
  std::string_view consoleCommand;
  // The text of the hint shown where the action cannot be carried out; absent: not offered.
  std::optional<TextId> byHand;
  // The window's own text where it has room for more than the menu (the commands themselves).
  std::optional<TextId> windowTextId = std::nullopt;
};

// The window offers no keyboard-settings button under the layouts hint, and keeps one fixed
// label for the Accessibility pane in every language.
constexpr std::array<RemedyRow, 8> kRemedies{{
    {RemedyId::requestAccessibility,
     "requestAccessibility",
     TextId::requestAccessibility,
     RemedyAction::promptAccessibility,
     Offered::whileUntrusted,
     true,
     {},
     "grant accessibility",
     TextId::requestAccessibility},
    {RemedyId::openAccessibilitySettings,
     "openAccessibilitySettings",
     TextId::openSettingsEllipsis,
     RemedyAction::openAccessibilitySettings,
     Offered::whileUntrusted,
     true,
     "Open settings…",
     {},
     std::nullopt},
    {RemedyId::needLayoutsHint,
     "needLayoutsHint",
     TextId::needLayoutsHint,
     RemedyAction::none,
     Offered::always,
     true,
     {},
     "enable <id>",
     TextId::needLayoutsHint},
    {RemedyId::openKeyboardSettings,
     "openKeyboardSettings",
     TextId::openKeyboardSettings,
     RemedyAction::openKeyboardSettings,
     Offered::always,
     false,
     {},
     {},
     std::nullopt},
    {RemedyId::freeGlobe,
     "freeGlobe",
     TextId::freeGlobe,
     RemedyAction::openKeyboardSettings,
     Offered::always,
     true,
     {},
     "globe free",
     TextId::freeGlobe},
    {RemedyId::freeCapsLock,
     "freeCapsLock",
     TextId::freeCapsLock,
     RemedyAction::openKeyboardSettings,
     Offered::always,
     true,
     {},
     "capslock free",
     TextId::freeCapsLockByHand},
    {RemedyId::reAddAccessibility,
     "reAddAccessibility",
     TextId::reAddAccessibility,
     RemedyAction::openAccessibilitySettings,
     Offered::whileTrusted,
     true,
     {},
     {},
     TextId::reAddAccessibility},
    {RemedyId::freeMeta,
     "freeMeta",
     TextId::freeMeta,
     RemedyAction::none,
     Offered::always,
     true,
     {},
     {},
     TextId::freeMetaCommands,
     TextId::freeMetaCommands},
}};

// remedyRow() finds a row by its id's position.
constexpr bool remediesInIdOrder() {
  for (std::size_t i = 0; i < kRemedies.size(); ++i) {
    if (static_cast<std::size_t>(kRemedies[i].id) != i) return false;
  }
  return true;
}
static_assert(remediesInIdOrder());

struct HealthRow {
  EngineHealth health;
  bool (*holds)(const EngineInputs&);
  bool blocks;
  std::string_view symbol;
  TextId status;
  bool problem;
  std::initializer_list<RemedyId> remedies;
  std::string_view doctorWord;
};

// The ranking: the first row whose predicate holds decides. Secure input never stops the engine
// and ranks below every other problem; it is no problem of ours, but the user should still see
// the warning. A failed start leaves isRunning false; it shows as a disabled tap while switching
// is on. Only the engine itself reports a missing Input Monitoring.
const std::array<HealthRow, allEngineHealths.size()> kHealths{{
    {EngineHealth::noAccessibility,
     [](const EngineInputs& in) { return !in.hasAccessibility; },
     true,
     kWarning,
     TextId::statusNoAccessibility,
     true,
     {RemedyId::requestAccessibility, RemedyId::openAccessibilitySettings},
     "accessibility"},
    {EngineHealth::needsLayouts,
     [](const EngineInputs& in) { return in.layoutCount < 2; },
     true,
     kWarning,
     TextId::statusNeedsLayouts,
     true,
     {RemedyId::needLayoutsHint, RemedyId::openKeyboardSettings},
     "layouts"},
    {EngineHealth::globeNotFree,
     [](const EngineInputs& in) {
       return in.triggerConflict == KeyConflict::globeKey && !in.triggerKeyFree;
     },
     true,
     kWarning,
     TextId::statusGlobeNotFree,
     true,
     {RemedyId::freeGlobe},
     "globe-key"},
    {EngineHealth::capsLockNotFree,
     [](const EngineInputs& in) {
       return in.triggerConflict == KeyConflict::capsLockSwitching && !in.triggerKeyFree;
     },
     true,
     kWarning,
     TextId::statusCapsLockNotFree,
     true,
     {RemedyId::freeCapsLock},
     "caps-lock-abc"},
    {EngineHealth::metaNotFree,
     [](const EngineInputs& in) {
       return in.triggerConflict == KeyConflict::metaLauncher && !in.triggerKeyFree;
     },
     true,
     kWarning,
     TextId::statusMetaNotFree,
     true,
     {RemedyId::freeMeta},
     "meta-launcher"},
    {EngineHealth::disabled,
     [](const EngineInputs& in) { return !in.userEnabled; },
     false,
     kKeyboard,
     TextId::statusDisabled,
     false,
     {},
     {}},
    {EngineHealth::tapDisabled,
     [](const EngineInputs& in) { return !in.isRunning || in.tapDisabled; },
     false,
     kWarning,
     TextId::statusTapDisabled,
     true,
     {RemedyId::reAddAccessibility},
     "post-event-access"},
    {EngineHealth::secureInput,
     [](const EngineInputs& in) { return in.secureInput; },
     false,
     kWarning,
     TextId::statusSecureInput,
     false,
     {},
     "secure-input"},
    {EngineHealth::active,
     [](const EngineInputs&) { return true; },
     false,
     kKeyboardFill,
     TextId::statusActive,
     false,
     {},
     {}},
    {EngineHealth::noInputMonitoring,
     nullptr,
     false,
     kWarning,
     TextId::statusNoInputMonitoring,
     true,
     {},
     "input-monitoring"},
}};

struct ConflictRow {
  KeyConflict conflict;
  ConflictLook look;
};

constexpr std::array<ConflictRow, 3> kConflicts{{
    {KeyConflict::globeKey,
     {"globe", EngineHealth::globeNotFree, RemedyId::freeGlobe, TextId::stepGlobe,
      TextId::stepGlobeHint}},
    {KeyConflict::capsLockSwitching,
     {"capsLock", EngineHealth::capsLockNotFree, RemedyId::freeCapsLock, TextId::stepCapsLock,
      TextId::stepCapsLockHint}},
    {KeyConflict::metaLauncher,
     {"meta", EngineHealth::metaNotFree, RemedyId::freeMeta, TextId::stepMeta,
      TextId::stepMetaHint}},
}};

const HealthRow& row(EngineHealth health) {
  return *std::find_if(kHealths.begin(), kHealths.end(),
                       [&](const HealthRow& candidate) { return candidate.health == health; });
}

const RemedyRow& remedyRow(RemedyId id) {
  return kRemedies[static_cast<std::size_t>(id)];
}

bool offered(RemedyId id, bool hasAccessibility) {
  switch (remedyRow(id).offered) {
    case Offered::always:
      return true;
    case Offered::whileUntrusted:
      return !hasAccessibility;
    case Offered::whileTrusted:
      return hasAccessibility;
  }
  return false;
}

// The remedies for a problem health, in the menu's order: while the program is not trusted,
// Accessibility's come first for every problem.
std::vector<RemedyId> remedyIds(EngineHealth health, bool hasAccessibility) {
  std::vector<RemedyId> ids;
  if (!isProblem(health)) return ids;
  if (!hasAccessibility) {
    const auto& accessibility = row(EngineHealth::noAccessibility).remedies;
    ids.assign(accessibility.begin(), accessibility.end());
  }
  for (const RemedyId id : row(health).remedies) {
    if (offered(id, hasAccessibility) && std::find(ids.begin(), ids.end(), id) == ids.end()) {
      ids.push_back(id);
    }
  }
  return ids;
}

}  // namespace

bool isProblem(EngineHealth health) {
  return row(health).problem;
}

std::vector<Remedy> remedies(EngineHealth health, bool hasAccessibility, const Strings& strings) {
  std::vector<Remedy> offered;
  for (const RemedyId id : remedyIds(health, hasAccessibility)) {
    const RemedyRow& remedy = remedyRow(id);
    Remedy shown{
        id,           remedy.name,           remedy.action, std::string(strings[remedy.text]),
        std::nullopt, remedy.consoleCommand, std::nullopt};
    if (remedy.byHand) shown.byHand = std::string(strings[*remedy.byHand]);
    if (remedy.inWindow) {
      shown.windowText = remedy.windowLabel.empty() ? shown.text : std::string(remedy.windowLabel);
      if (remedy.windowTextId) shown.windowText = std::string(strings[*remedy.windowTextId]);
    }
    offered.push_back(std::move(shown));
  }
  return offered;
}

std::optional<std::string_view> consoleCommand(RemedyId remedy) {
  const std::string_view command = remedyRow(remedy).consoleCommand;
  if (command.empty()) return std::nullopt;
  return command;
}

RemedyAction actionOf(RemedyId remedy) {
  return remedyRow(remedy).action;
}

std::optional<std::string_view> byHand(RemedyId remedy, const Strings& strings) {
  const auto& text = remedyRow(remedy).byHand;
  if (!text) return std::nullopt;
  return strings[*text];
}

std::string_view statusLine(EngineHealth health, const Strings& strings) {
  return strings[row(health).status];
}

std::string_view symbolName(EngineHealth health) {
  return row(health).symbol;
}

std::string_view doctorWord(EngineHealth health) {
  return row(health).doctorWord;
}

std::optional<ConflictLook> conflictLook(KeyConflict conflict) {
  for (const auto& conflictRow : kConflicts) {
    if (conflictRow.conflict == conflict) return conflictRow.look;
  }
  return std::nullopt;
}

}  // namespace kestravane::Presentation

namespace kestravane::EngineState {

bool isBlocked(const EngineInputs& inputs) {
  return std::any_of(Presentation::kHealths.begin(), Presentation::kHealths.end(),
                     [&](const auto& row) { return row.blocks && row.holds(inputs); });
}

bool shouldRun(const EngineInputs& inputs) {
  return inputs.userEnabled && !isBlocked(inputs);
}

EngineHealth health(const EngineInputs& inputs) {
  for (const auto& row : Presentation::kHealths) {
    if (row.holds && row.holds(inputs)) return row.health;
  }
  return EngineHealth::active;
}

}  // namespace kestravane::EngineState
