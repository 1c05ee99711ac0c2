#include "Doctor/X11Report.h"

#include <X11/XKBlib.h>
#include <unistd.h>

#include <cstdlib>
#include <utility>

#include "KestravaneCore/TriggerKeys.h"
#include "KestravaneKit/ConfigStore.h"
#include "Platform/LinuxDesktop/AtomicFile.h"
#include "Platform/X11/KdeMetaShortcut.h"
#include "Platform/X11/WithheldKeyRecord.h"
#include "Platform/X11/X11Connection.h"
#include "Platform/X11/X11InstanceClaim.h"
#include "Platform/X11/X11Preferences.h"
#include "Platform/X11/X11TriggerKeyActions.h"
#include "Platform/X11/XkbRulesNames.h"

namespace kestravane::doctor {
namespace {

using namespace platform::x11;
namespace desktop = platform::desktop;

}  // namespace

X11Findings examineX11(const platform::Services& services, std::string version,
                       const std::string& displayName) {
  X11Findings found;
  found.common = examine(services, std::move(version), "X11");
  found.xinput2 = found.common.accessibility;  // trusted on X11 means XInput 2 is there
  const auto connection = X11Connection::open(displayName);
  if (!connection) return found;
  Display* display = connection->display();
  found.display = connection->name();
  int opcode = 0;
  int event = 0;
  int error = 0;
  int major = XkbMajorVersion;
  int minor = XkbMinorVersion;
  found.xkb = XkbQueryExtension(display, &opcode, &event, &error, &major, &minor) != 0;
  if (const auto names = readXkbRulesNames(display)) found.xkbOptions = names->options;

  const PlivexConfig config = ConfigStore(services).load();
  found.trigger = std::string(triggerKey(config.trigger).rawValue);
  if (conflictOf(config.trigger, Keyboard::pc) == KeyConflict::capsLockSwitching) {
    for (const auto option : splitAtCommas(found.xkbOptions)) {
      if (X11Preferences::capsLockSwitchesLayouts(option)) {
        found.triggerConflicts.emplace_back(option);
      }
    }
  }
  if (config.trigger == TriggerKind::rightCommand)
    found.kdeMetaShortcut = kdeMetaShortcutOfSession();

  // The note a run keeps while the key is withheld, where the program keeps it.
  if (const auto folder = X11TriggerKeyActions::defaultStateDirectory(
          std::getenv("XDG_RUNTIME_DIR"), std::getenv("XDG_CACHE_HOME"), std::getenv("HOME"))) {
    const auto file = *folder / recordFileName(found.display);
    if (const auto text = desktop::readSmallFile(file)) {
      if (const auto record = decodeWithheldKeyRecord(*text)) {
        found.withheld = X11Findings::Withheld{
            record->keycode, X11InstanceClaim::holder(display, ::getuid()).has_value(), file};
      }
    }
  }
  found.files = findSessionFiles();
  return found;
}

std::vector<std::string> x11ReportLines(const X11Findings& found) {
  const Findings& common = found.common;
  std::vector<std::string> lines = openingLines(common, "X11");
  lines.push_back("display: " + (found.display.empty() ? "none" : escaped(found.display)));
  lines.push_back(std::string("xinput2: ") + (found.xinput2 ? "present" : "absent"));
  lines.push_back(std::string("xkb: ") + (found.xkb ? "present" : "absent"));
  addLayoutLines(lines, common);
  lines.push_back("xkb-options: " + quoted(found.xkbOptions));
  lines.push_back("trigger: " + escaped(found.trigger));
  std::string conflicts;
  for (const auto& option : found.triggerConflicts) {
    conflicts += (conflicts.empty() ? "" : ", ") + escaped(option);
  }
  if (found.kdeMetaShortcut && found.rightSuperTrigger) {
    conflicts += (conflicts.empty() ? "" : ", ") + std::string("kwin-meta ") +
                 quoted(*found.kdeMetaShortcut);
  }
  lines.push_back("trigger-conflict: " + (conflicts.empty() ? "none" : conflicts));
  lines.push_back("kde-meta: " +
                  (found.kdeMetaShortcut ? quoted(*found.kdeMetaShortcut) : std::string("none")));
  if (!found.withheld) {
    lines.push_back("withheld-key: none");
  } else {
    lines.push_back(
        "withheld-key: " + std::to_string(found.withheld->keycode) +
        (found.withheld->byRunningPlivex ? " by-running-plivex " : " left-by-ended-run ") +
        quoted(found.withheld->record.string()));
  }
  addClosingLines(lines, common, found.files, {});
  return lines;
}

}  // namespace kestravane::doctor
