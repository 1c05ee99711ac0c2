// The doctor's report of an X11 session, as the program would meet it: the display, XInput 2 and
// XKB, the keymap's layouts and the XKB options in the trigger's way, whether the trigger key's
// own action is taken away and by whom, the autostart entry and the settings file. Gathering only
// reads: it changes no keymap (a key an ended run left withheld stays so: the next start of
// Plivex gives it back), claims nothing and stores nothing.
// Threads: main thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Doctor/DoctorReport.h"
#include "Doctor/SessionReport.h"
#include "Platform/Services.h"

namespace kestravane::doctor {

struct X11Findings {
  Findings common;       // what every backend reports (layouts, settings, login item, blocking)
  std::string display;   // as Xlib resolved it
  bool xinput2 = false;  // the version the taps need
  bool xkb = false;
  std::string xkbOptions;                     // as the keymap's rules names list them
  std::string trigger;                        // the stored trigger's raw value
  std::vector<std::string> triggerConflicts;  // the XKB options that use the trigger's key
  // The withheld-key note of this display: absent when there is none.
  struct Withheld {
    unsigned keycode = 0;
    bool byRunningPlivex = false;  // a Plivex of the user holds the display now
    std::filesystem::path record;
  };
  std::optional<Withheld> withheld;
  SessionFiles files;
  // What KDE Plasma does on a lone Meta tap: the kwinrc value (absent: nothing, or not KDE); in
  // the right Super trigger's way.
  std::optional<std::string> kdeMetaShortcut;
  bool rightSuperTrigger = false;
};

// Examines the X11 session on `displayName` through `services` (made on that display without a
// state directory, so that nothing is given back) and the display itself.
X11Findings examineX11(const platform::Services& services, std::string version,
                       const std::string& displayName);
std::vector<std::string> x11ReportLines(const X11Findings& findings);

}  // namespace kestravane::doctor
