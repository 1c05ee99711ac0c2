// The X11 backend's own log lines; each is followed by the details it names.
// Threads: constants.
#pragma once

#include <string_view>

namespace kestravane::platform::x11::logline {

// + what failed with the system's reason ("cannot remove /path: Permission denied").
inline constexpr std::string_view kFileProblem = "Plivex[x11] ";

// + the X key code and the reason.
inline constexpr std::string_view kWithholdFailed =
    "Plivex[x11] cannot take the trigger key's own action away, key ";
// + the X key code and the reason.
inline constexpr std::string_view kGiveBackFailed =
    "Plivex[x11] cannot give the trigger key its own action back, key ";
// + the X key code.
inline constexpr std::string_view kGivenBackAfterEarlierRun =
    "Plivex[x11] gave back the own action an earlier run had taken from key ";

// + the URL (without its query) and the desktop: no program on this desktop opens it.
inline constexpr std::string_view kNothingOpens = "Plivex[x11] nothing on this desktop opens ";
// + the program's path: it was found but could not be started.
inline constexpr std::string_view kCannotStart = "Plivex[x11] cannot start ";

}  // namespace kestravane::platform::x11::logline
