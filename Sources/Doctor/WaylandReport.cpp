#include "Doctor/WaylandReport.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <utility>

#include "Kestravane/Linux/SingleInstance.h"
#include "KestravaneCore/TriggerKeys.h"
#include "KestravaneKit/ConfigStore.h"
#include "Platform/Wayland/WaylandPlatform.h"

namespace kestravane::doctor {
namespace {

using platform::wayland::DeviceAccess;
using platform::wayland::KeyboardProbe;

constexpr std::string_view kJoinInputGroup =
    "\"sudo usermod -aG input $USER\", then log out and in";

// The keyboard-access line's words.
constexpr std::array<std::pair<DeviceAccess, std::string_view>, 5> kAccessWords{{
    {DeviceAccess::granted, "granted"},
    {DeviceAccess::noKeyboards, "no-keyboards"},
    {DeviceAccess::notInInputGroup, "not-in-input-group"},
    {DeviceAccess::permissionDenied, "permission-denied"},
    {DeviceAccess::unreadable, "unreadable"},
}};

std::string_view accessWord(DeviceAccess access) {
  for (const auto& [row, word] : kAccessWords) {
    if (row == access) return word;
  }
  return "unreadable";
}

std::string keyboardLine(const KeyboardProbe& keyboard) {
  std::string line = "keyboard: " + escaped(keyboard.devnode) + " " + quoted(keyboard.name);
  if (keyboard.openError == 0) return line + " readable";
  if (keyboard.openError == EACCES || keyboard.openError == EPERM) return line + " refused";
  return line + " unreadable " + quoted(std::strerror(keyboard.openError));
}

}  // namespace

WaylandFindings examineWayland(platform::wayland::WaylandPlatform& platform, std::string version,
                               std::string waylandDisplay, const WaylandPlaces& places) {
  using namespace platform::wayland;
  WaylandFindings found;
  const platform::Services& services = *platform.services();
  found.common = examine(services, std::move(version), "wayland");
  found.display = std::move(waylandDisplay);
  found.desktop = platform.desktopName();
  found.unswitchable = platform.unavailableReason();
  found.keyboards = probeKeyboards();
  found.inputGroupExists = inputGroupExists();
  found.inInputGroup = inInputGroup();
  found.trigger = std::string(triggerKey(ConfigStore(services).load().trigger).rawValue);
  found.canWithholdKeyActions = platform.canWithholdKeyActions();
  if (!places.stateDirectory.empty()) {
    found.withheld = WaylandTriggerKeyActions::notesIn(places.stateDirectory);
  }
  found.plivexRunning = SingleInstance::isLockHeld(places.lockFile);
  found.files = findSessionFiles();
  return found;
}

std::vector<std::string> waylandReportLines(const WaylandFindings& found) {
  const Findings& common = found.common;
  std::vector<std::string> lines = openingLines(common, "wayland");
  lines.push_back("display: " + quoted(found.display));
  lines.push_back("desktop: " + quoted(found.desktop));
  lines.push_back("switching: " + (found.unswitchable ? "unavailable " + quoted(*found.unswitchable)
                                                      : std::string("available")));
  addLayoutLines(lines, common);
  const std::size_t keyboards = found.keyboards ? found.keyboards->size() : 0;
  lines.push_back("keyboards: " + std::to_string(keyboards));
  for (std::size_t i = 0; i < keyboards; ++i) lines.push_back(keyboardLine((*found.keyboards)[i]));
  const DeviceAccess access = platform::wayland::accessOf(found.keyboards);
  lines.push_back("keyboard-access: " + std::string(accessWord(access)));
  lines.push_back(std::string("input-group: ") + (!found.inputGroupExists ? "none"
                                                  : found.inInputGroup    ? "member"
                                                                          : "not-member"));
  const bool joinGroup = access == DeviceAccess::notInInputGroup;
  lines.push_back("remedy: " + std::string(joinGroup ? kJoinInputGroup : "none"));
  lines.push_back("trigger: " + escaped(found.trigger));
  lines.push_back(std::string("trigger-action: ") +
                  (found.canWithholdKeyActions ? "taken-away" : "kept"));
  if (found.withheld.empty()) lines.push_back("withheld-key: none");
  for (const auto& note : found.withheld) {
    lines.push_back("withheld-key: " + quoted(note.option) +
                    (found.plivexRunning ? " by-running-plivex " : " left-by-ended-run ") +
                    quoted(note.file.string()));
  }
  std::vector<std::string_view> sessionWords;
  if (found.unswitchable) sessionWords.push_back(sessionWord(SessionBlocker::desktop));
  if (joinGroup) sessionWords.push_back(sessionWord(SessionBlocker::inputGroup));
  addClosingLines(lines, common, found.files, sessionWords);
  return lines;
}

}  // namespace kestravane::doctor
