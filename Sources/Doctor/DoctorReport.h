// What Plivex sees on this machine, gathered and written as the doctor's report: the enabled
// keyboard layouts, the Globe-key and Caps Lock switching preferences, the login item, the stored
// settings, the permissions and secure input. Gathering only reads: it creates no tap, opens
// nothing, prompts for nothing and stores nothing, so running it never puts a program on a
// permission list.
// Threads: main thread (the services it asks are main-thread services).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "KestravaneCore/EngineState.h"
#include "KestravaneCore/GlobeFnUsage.h"
#include "KestravaneKit/InputSourceSwitcher.h"
#include "Platform/Services.h"

namespace kestravane::doctor {

struct Findings {
  std::string version;  // the doctor's own
  std::string backend;  // what the services stand for ("macOS", "virtual Mac")
  bool accessibility = false;
  bool inputMonitoring = false;  // the system's preflight answer
  bool postEventAccess = false;  // what an active tap needs; can lack while trusted
  bool secureInput = false;
  std::vector<InputSourceSwitcher::NamedSource> layouts;  // the cycle, in the system's order
  std::optional<std::string> currentSource;
  std::optional<GlobeFnUsage> globeKey;
  std::optional<std::int64_t> capsLockSwitching;  // "TISRomanSwitchState"; absent counts as on
  bool metaLauncher = false;  // the desktop acts on a lone Meta tap (KDE Plasma's launcher)
  platform::LoginItemStatus loginItem = platform::LoginItemStatus::notRegistered;
  bool settingsStored = false;                 // a usable record is stored
  std::optional<std::string> settingsProblem;  // why the stored settings cannot be used
  // What the health rules see with each trigger key (kTriggerKeys' order), with an engine that
  // the user wants and that runs unless the system refuses a trusted program's tap.
  std::vector<EngineInputs> inputs;
};

// Asks the system, through the Kit where Plivex does and through `services` where Plivex only
// acts (the login item's raw status).
Findings examine(const platform::Services& services, std::string version, std::string backend);

// One "key: value" line per finding, in a fixed order, keys and value words stable across
// platforms and releases; text from the system is escaped so that each line stays one line.
std::vector<std::string> reportLines(const Findings& findings);

// What stops switching, as report words ("accessibility", "input-monitoring",
// "post-event-access" (only while trusted: a stale Accessibility entry), "layouts",
// "globe-key(fn)" (only with the fn/Globe trigger), "caps-lock-abc(capsLock)" (only with the Caps
// Lock trigger), "secure-input"), in that order.
std::vector<std::string> blockers(const Findings& findings);

// What blocks a Linux session that no health names, with its blocking word; --words lists these
// after the health table's, and a session's report names them last.
enum class SessionBlocker {
  display,     // no X server answers on DISPLAY
  desktop,     // the Wayland desktop offers Plivex no way to switch its layouts (now)
  inputGroup,  // the keyboards are refused and joining the `input` group would let them be read
};
struct SessionWord {
  SessionBlocker blocker;
  std::string_view word;
};
inline constexpr std::array<SessionWord, 3> kSessionWords{{
    {SessionBlocker::display, "display"},
    {SessionBlocker::desktop, "desktop"},
    {SessionBlocker::inputGroup, "input-group"},
}};
std::string_view sessionWord(SessionBlocker blocker);

// What --words prints, for the report's checker: "blocking: " and every blocking word in order
// (the health table's, then the sessions'), "login-item: " and every login-item word.
std::vector<std::string> vocabularyLines();

// `text` with backslash, double quote and control characters escaped (\\, \", \n, \t, \xHH).
std::string escaped(std::string_view text);

}  // namespace kestravane::doctor
