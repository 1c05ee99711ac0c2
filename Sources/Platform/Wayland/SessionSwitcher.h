// The switcher for the Wayland session the program runs in, told by its environment: the
// desktops $XDG_CURRENT_DESKTOP names first (KDE, Hyprland, sway), then the sockets a compositor
// announces ($HYPRLAND_INSTANCE_SIGNATURE, $SWAYSOCK). Any other desktop gets a switcher that
// lists nothing and says which desktop was found and that Plivex cannot switch it. Also the
// desktop's keyboard options that go with the switcher.
// Threads: the main thread, as the switchers it makes.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Dispatch.h"
#include "Platform/Wayland/DesktopKeyOptions.h"
#include "Platform/Wayland/DesktopSwitcher.h"

namespace kestravane::platform::wayland {

// A variable's value, or nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(std::string_view)>;

// The process's own environment.
std::optional<std::string> processEnvironment(std::string_view name);

enum class WaylandDesktop { kde, gnome, hyprland, sway, other };

// The desktop the session runs, as above.
WaylandDesktop desktopOfSession(const EnvironmentLookup& environment = processEnvironment);

// Whether the desktop draws the frames (title bars) of its windows when they ask it to, through
// the xdg-decoration protocol: Sway and KDE's KWin do; GNOME leaves them to the programs.
bool drawsWindowFrames(WaylandDesktop desktop);

std::unique_ptr<DesktopSwitcher> switcherForSession(
    std::shared_ptr<DispatchQueue> mainQueue,
    const EnvironmentLookup& environment = processEnvironment);

// The desktop's XKB options where Plivex can read and set them, found by the switcher the session
// got: GNOME's settings (only on GNOME: its schema is often installed under other desktops, which
// never read it), Sway's IPC, KDE's kxkbrc, Hyprland's socket. Null elsewhere, so the trigger key
// keeps its action there.
std::shared_ptr<DesktopKeyOptions> keyOptionsForSession(
    const DesktopSwitcher& switcher, const EnvironmentLookup& environment = processEnvironment);

}  // namespace kestravane::platform::wayland
