// The healths and their remedies as the menu, the settings window, the onboarding window, the
// console and the doctor show and offer them, made of the rows of EngineState.h (the healths in
// ranking order, the remedies, the doctor's words) and one row per key conflict (its health and
// onboarding step); EngineState::health derives from the same rows.
// Threads: pure values and functions over constant tables; usable from any thread.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "KestravaneCore/EngineState.h"
#include "KestravaneCore/TextId.h"
#include "KestravaneCore/TriggerKeys.h"

namespace kestravane {

class Strings;

// What choosing a remedy does: nothing (a hint, shown as text), open a URL, or one of the
// program's own commands.
struct RemedyAction {
  enum class Kind { hint, openURL, promptAccessibility, requestInputMonitoring };
  Kind kind = Kind::hint;
  std::string_view url;  // for openURL

  friend bool operator==(const RemedyAction&, const RemedyAction&) = default;

  static const RemedyAction none;
  static const RemedyAction promptAccessibility;
  static const RemedyAction openAccessibilitySettings;
  static const RemedyAction openKeyboardSettings;
  // Asks the system for Input Monitoring once; afterwards opens its privacy pane, since the
  // system asks the user only the first time.
  static const RemedyAction requestInputMonitoring;
};

inline constexpr RemedyAction RemedyAction::none{};
inline constexpr RemedyAction RemedyAction::promptAccessibility{Kind::promptAccessibility, {}};
inline constexpr RemedyAction RemedyAction::openAccessibilitySettings{
    Kind::openURL, "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility"};
inline constexpr RemedyAction RemedyAction::openKeyboardSettings{
    Kind::openURL, "x-apple.systempreferences:com.apple.preference.keyboard"};
inline constexpr RemedyAction RemedyAction::requestInputMonitoring{Kind::requestInputMonitoring,
                                                                   {}};

// The Input Monitoring privacy pane, opened when the system no longer asks.
inline constexpr std::string_view kInputMonitoringSettingsURL =
    "x-apple.systempreferences:com.apple.preference.security?Privacy_ListenEvent";

struct Remedy {
  RemedyId id;
  std::string_view name;  // the remedy's stable name, e.g. "requestAccessibility"
  RemedyAction action;
  std::string text;  // as the menu shows it
  // As the settings window shows it; absent where the window does not offer it.
  std::optional<std::string> windowText;
  // What to type in the console; empty where the console has no command for it.
  std::string_view consoleCommand;
  // What choosing the remedy does.
  RemedyAction actionOf(RemedyId remedy);

  // What the user does by hand where the action cannot be carried out on this system (no
  // program opens the settings it names): shown as a hint instead; absent where nothing is left
  // to do by hand, and the remedy is not offered there.
  std::optional<std::string> byHand;

  bool operator==(const Remedy&) const = default;
};

namespace Presentation {

// Whether the health is a problem the user can act on; secure input is not.
bool isProblem(EngineHealth health);

// The remedies offered for the health, in order, with their texts in `strings`' language; none
// for a health that is no problem.
std::vector<Remedy> remedies(EngineHealth health, bool hasAccessibility, const Strings& strings);

// What to type in the console for a remedy; absent where the console has no command for it.
std::optional<std::string_view> consoleCommand(RemedyId remedy);

// What choosing the remedy does.
RemedyAction actionOf(RemedyId remedy);

// What the user does by hand where the remedy's action cannot be carried out (Remedy::byHand).
std::optional<std::string_view> byHand(RemedyId remedy, const Strings& strings);

// The status line for the health, from `strings`.
std::string_view statusLine(EngineHealth health, const Strings& strings);

// The name of the menu-bar symbol for the health, as the platform spells it.
std::string_view symbolName(EngineHealth health);

// The healths the doctor names when they stop switching, each with its word ("accessibility",
// "layouts", …), in the order of its blocking line: the permissions as the user grants them,
// then the machine's settings, then secure input.
struct DoctorWord {
  EngineHealth health;
  std::string_view word;
};
std::span<const DoctorWord> doctorWords();

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
