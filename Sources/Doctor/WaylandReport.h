// The doctor's report of a Wayland session, as the program would meet it: the desktop found and
// whether Plivex can switch it, the layouts it lists, the keyboards' devices and whether they can
// be read (and, where the `input` group is missing, how to join it), whether the desktop can take
// the trigger key's own action away and whether a run that ended left it taken away, the
// autostart entry and the settings file. Gathering only reads: the platform it asks is made
// without a state folder (so nothing an ended run left is given back), and each keyboard is opened
// and closed again without reading a key.
// Threads: main thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Doctor/DoctorReport.h"
#include "Doctor/SessionReport.h"
#include "Platform/Wayland/InputDevices.h"
#include "Platform/Wayland/WaylandTriggerKeyActions.h"

namespace kestravane::platform::wayland {
class WaylandPlatform;
}

namespace kestravane::doctor {

struct WaylandFindings {
  Findings common;      // what every backend reports (layouts, settings, login item, blocking)
  std::string display;  // $WAYLAND_DISPLAY
  std::string desktop;  // the desktop's name as the switcher says it
  std::optional<std::string> unswitchable;  // why the desktop cannot be switched now
  // The keyboards udev lists; absent when udev cannot be reached.
  std::optional<std::vector<platform::wayland::KeyboardProbe>> keyboards;
  bool inputGroupExists = false;
  bool inInputGroup = false;
  std::string trigger;  // the stored trigger's raw value
  bool canWithholdKeyActions = false;
  // The notes of a taken-away key action in the program's state folder.
  std::vector<platform::wayland::WaylandTriggerKeyActions::Note> withheld;
  bool plivexRunning = false;  // a Plivex of the user holds this display's lock now
  SessionFiles files;
};

// Where the program keeps its notes and its lock on this display.
struct WaylandPlaces {
  std::filesystem::path stateDirectory;
  std::filesystem::path lockFile;
};

// Examines the session through `platform` (made without a state folder: see above).
WaylandFindings examineWayland(platform::wayland::WaylandPlatform& platform, std::string version,
                               std::string waylandDisplay, const WaylandPlaces& places);
std::vector<std::string> waylandReportLines(const WaylandFindings& findings);

}  // namespace kestravane::doctor
