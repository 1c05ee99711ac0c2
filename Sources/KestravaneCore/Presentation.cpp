#include "KestravaneCore/Presentation.h"

// The rows of the health and remedy lists (EngineState.h) made into tables, and what the
// interface and EngineState derive from them.

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

#define PLIVEX_ONE(name, ...) +1
constexpr std::size_t kRemedyCount = 0 PLIVEX_REMEDIES(PLIVEX_ONE);
#undef PLIVEX_ONE

struct RemedyRow {
  RemedyId id;
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

#define PLIVEX_NAME(name, ...) #name,
constexpr std::array<std::string_view, kRemedyCount> kRemedyNames{PLIVEX_REMEDIES(PLIVEX_NAME)};
#undef PLIVEX_NAME

// The window offers no keyboard-settings button under the layouts hint, and keeps one fixed
// label for the Accessibility pane in every language.
#define PLIVEX_REMEDY_ROW(name, text, action, offered, inWindow, windowLabel, consoleCommand, \
                          byHand, windowText)                                                 \
  RemedyRow{RemedyId::name,   TextId::text, RemedyAction::action,                             \
            Offered::offered, inWindow,     windowLabel,                                      \
            consoleCommand,   byHand,       windowText},
constexpr std::array<RemedyRow, kRemedyCount> kRemedies{{PLIVEX_REMEDIES(PLIVEX_REMEDY_ROW)}};
#undef PLIVEX_REMEDY_ROW

struct HealthRow {
  EngineHealth health;
  bool (*holds)(const EngineInputs&);
  bool blocks;
  std::string_view symbol;
  TextId status;
  bool problem;
  std::initializer_list<RemedyId> remedies;
};

// The ranking is the rows' order. Why these places: secure input never stops the engine and
// ranks below every other problem; it is no problem of ours, but the user should still see the
// warning. A failed start leaves isRunning false; it shows as a disabled tap while switching is
// on. A missing Input Monitoring ranks below `active`, so only the engine itself reports it (and
// the doctor, which asks each rule alone).
// Each row is made in place, not copied from a temporary: its remedies' list lives as long as
// the table only then.
#define PLIVEX_UNPARENTHESIZED(...) __VA_ARGS__
#define PLIVEX_HEALTH_ROW(name, blocks, symbol, status, problem, remedies, ...)            \
  {EngineHealth::name,                                                                     \
   []([[maybe_unused]] const EngineInputs& in) { return static_cast<bool>(__VA_ARGS__); }, \
   blocks,                                                                                 \
   symbol,                                                                                 \
   TextId::status,                                                                         \
   problem,                                                                                \
   {PLIVEX_UNPARENTHESIZED remedies}},
constexpr std::array<HealthRow, allEngineHealths.size()> kHealths{
    {PLIVEX_ENGINE_HEALTHS(PLIVEX_HEALTH_ROW)}};
#undef PLIVEX_HEALTH_ROW
#undef PLIVEX_UNPARENTHESIZED

#define PLIVEX_DOCTOR_WORD(health, word) DoctorWord{EngineHealth::health, word},
constexpr auto kDoctorWords = std::to_array<DoctorWord>({PLIVEX_DOCTOR_WORDS(PLIVEX_DOCTOR_WORD)});
#undef PLIVEX_DOCTOR_WORD

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

// Both tables are in their enumeration's order, since the lists of EngineState.h make both.
const HealthRow& row(EngineHealth health) {
  return kHealths[static_cast<std::size_t>(health)];
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
    Remedy shown{id,
                 kRemedyNames[static_cast<std::size_t>(id)],
                 remedy.action,
                 std::string(strings[remedy.text]),
                 std::nullopt,
                 remedy.consoleCommand,
                 std::nullopt};
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

std::span<const DoctorWord> doctorWords() {
  return kDoctorWords;
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
    if (row.holds(inputs)) return row.health;
  }
  return EngineHealth::active;
}

bool holds(EngineHealth health, const EngineInputs& inputs) {
  return Presentation::row(health).holds(inputs);
}

}  // namespace kestravane::EngineState
