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

}  // namespace kestravane::platform::wayland::logline
