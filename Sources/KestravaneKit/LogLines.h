// The program's fixed log lines, exactly as they are written, and the prefixes of those that
// end in a value. The engine's lines mix English and Russian on purpose: they are the texts
// people search for in the system log. Tests compare against these same constants.
// Threads: constant data.
#pragma once

#include <string_view>

namespace kestravane::logline {

// EventTapEngine::start(): followed by "true"/"false", " listenEventAccess=" and "true"/"false".
inline constexpr std::string_view kEngineStartPrefix = "Plivex[engine] start: AXIsProcessTrusted=";
inline constexpr std::string_view kEngineStartListenAccess = " listenEventAccess=";
inline constexpr std::string_view kEngineNoAccessibility =
    "Plivex[engine] BAIL: нет Accessibility — tapCreate не вызывается, IM не зарегистрируется";
inline constexpr std::string_view kEngineTapCreateFailed =
    "Plivex[engine] tapCreate=NULL → нет Input Monitoring (app должен появиться в списке)";
inline constexpr std::string_view kEngineTapCreated =
    "Plivex[engine] tapCreate OK — tap создан, движок стартует";

// EventTapEngine::start(), after the start line: followed by "true"/"false".
inline constexpr std::string_view kEnginePostEventAccess = "Plivex[engine] postEventAccess=";
// CapsLockDelayLift: followed by the keyboard service's registry id.
inline constexpr std::string_view kCapsLockDelayRefused =
    "Plivex[engine] CapsLockDelayOverride refused: ";

// LaunchAtLogin::setEnabled(): followed by the system's error description.
inline constexpr std::string_view kLoginRegisterFailed =
    "Plivex[login] SMAppService register failed: ";
inline constexpr std::string_view kLoginUnregisterFailed =
    "Plivex[login] SMAppService unregister failed: ";

// ConfigStore::load(): followed by why the stored record cannot be used.
inline constexpr std::string_view kConfigUnusable =
    "Plivex[config] the stored settings cannot be used; the defaults apply: ";

// AppController::startEngine(): followed by the engine error's case name.
inline constexpr std::string_view kAppStartEngineFailed = "Plivex[app] startEngine failed: ";
// The menu-bar extra, where the desktop has no system tray.
inline constexpr std::string_view kAppNoSystemTray =
    "Plivex[app] no system tray on this desktop: the menu-bar icon is not shown there";
// The Linux program, when no tray came up soon after the start: the settings window stands in.
inline constexpr std::string_view kAppSettingsInsteadOfTray =
    "Plivex[app] still no system tray: the settings window is open instead (Quit is there)";
// The Linux program: followed by why it cannot make sure that it runs only once, or by what it
// had to do about its runtime directory.
inline constexpr std::string_view kAppSingleInstance = "Plivex[app] ";
// The Linux program at start: followed by "X11 on <display>" or "virtual Mac (demo)".
inline constexpr std::string_view kAppBackend = "Plivex[app] backend: ";
// The Linux program on X11, where logind cannot be heard.
inline constexpr std::string_view kAppNoSystemBus =
    "Plivex[app] no system bus: a wake from sleep is not noticed";
// MainThreadChecker: "Plivex[app] <operation> called off the main thread".
inline constexpr std::string_view kAppPrefix = "Plivex[app] ";
inline constexpr std::string_view kOffMainThreadSuffix = " called off the main thread";

}  // namespace kestravane::logline
