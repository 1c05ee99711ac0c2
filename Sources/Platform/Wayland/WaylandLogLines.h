// The Wayland backend's own log lines; each is followed by the details it names.
// Threads: constants.
#pragma once

#include <string_view>

namespace kestravane::platform::wayland::logline {

// + the option and the reason.
inline constexpr std::string_view kWithholdFailed =
    "Plivex[wayland] cannot take the trigger key's own action away, option ";
// + the option and the reason.
inline constexpr std::string_view kGiveBackFailed =
    "Plivex[wayland] cannot give the trigger key its own action back, option ";
// + the option.
inline constexpr std::string_view kGivenBackAfterEarlierRun =
    "Plivex[wayland] gave back the own action an earlier run had taken away with option ";

// At start: + the desktop's name, then kLayouts or kCannotSwitch.
inline constexpr std::string_view kDesktop = "Plivex[wayland] desktop: ";
// + the number of layouts the desktop lists.
inline constexpr std::string_view kLayouts = ", layouts: ";
// + why the desktop cannot be switched.
inline constexpr std::string_view kCannotSwitch = ", cannot switch: ";
// At start: + one of the kKeyboards… words below.
inline constexpr std::string_view kKeyboards = "Plivex[wayland] keyboards: ";
inline constexpr std::string_view kKeyboardsReadable = "can be read";
inline constexpr std::string_view kKeyboardsNone = "none plugged in";
inline constexpr std::string_view kKeyboardsNotInInputGroup =
    "cannot be read: not in the input group";
inline constexpr std::string_view kKeyboardsPermissionDenied = "cannot be read: permission denied";
inline constexpr std::string_view kKeyboardsUnreadable = "cannot be read";
// At start, where the desktop has no keyboard options Plivex can set.
inline constexpr std::string_view kKeyActionKept =
    "Plivex[wayland] the trigger key keeps its own action on this desktop";

}  // namespace kestravane::platform::wayland::logline
