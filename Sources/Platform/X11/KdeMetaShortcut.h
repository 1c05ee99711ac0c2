// What KDE Plasma does on a lone tap of the Meta (Super) key: KWin's "[ModifierOnlyShortcuts]"
// group of kwinrc, key "Meta", a D-Bus call ("service,path,interface,method"). Absent means
// KWin's default, which opens the launcher; an empty value means nothing. KDE reads kwinrc from
// $XDG_CONFIG_HOME (default ~/.config). Only a KDE session (XDG_CURRENT_DESKTOP names KDE) has it.
// Threads: pure functions, and a file read; any thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kestravane::platform::x11 {

// KWin's own value when the key is absent: the launcher.
inline constexpr std::string_view kKdeMetaDefault =
    "org.kde.plasmashell,/PlasmaShell,org.kde.PlasmaShell,activateLauncherMenu";

// What a lone Meta tap does by this kwinrc text; absent when it does nothing.
std::optional<std::string> kdeMetaShortcutIn(std::string_view kwinrc);

// Whether XDG_CURRENT_DESKTOP (colon-separated names) names KDE.
bool isKdeDesktop(std::string_view currentDesktop);

// The kwinrc KDE reads: $XDG_CONFIG_HOME/kwinrc when absolute, else $HOME/.config/kwinrc.
std::optional<std::filesystem::path> kwinrcFile(const char* xdgConfigHome, const char* home);

// What a lone Meta tap does in this session (read from the environment's kwinrc); absent when
// it does nothing or the desktop is not KDE.
std::optional<std::string> kdeMetaShortcutOfSession();

}  // namespace kestravane::platform::x11
