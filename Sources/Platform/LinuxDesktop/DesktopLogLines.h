// The Linux desktop services' own log lines; each is followed by the details it names.
// Threads: constants.
#pragma once

#include <string_view>

namespace kestravane::platform::desktop::logline {

// + the URL (without its query) and the desktop: no program on this desktop opens it.
inline constexpr std::string_view kNothingOpens = "Plivex[desktop] nothing on this desktop opens ";
// + the program's path: it was found but could not be started.
inline constexpr std::string_view kCannotStart = "Plivex[desktop] cannot start ";

}  // namespace kestravane::platform::desktop::logline
