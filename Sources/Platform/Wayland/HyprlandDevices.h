// What Hyprland's sockets say about keyboards: the layouts in `j/devices`' reply and the changes
// its event lines ("EVENT>>DATA") announce.
// Hyprland gives each keyboard's XKB layouts and variants as its configuration has them ("us,ru",
// ",phonetic") and only the active one's description ("English (US)"); the descriptions of the
// others come from the XKB registry. The program follows the keyboard Hyprland calls main, else
// the one with the most layouts (`switchxkblayout all N` switches them all).
// Threads: pure functions.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Wayland/DesktopSwitcher.h"

namespace kestravane::platform::wayland {

// The followed keyboard's layouts: each id is its XKB layout with the variant in parentheses,
// each name its description by `describe` (the id when there is none). The active one is
// Hyprland's `active_layout_index` where it says it, else the layout described as its
// `active_keymap`, else the first. No layouts without a keyboard; nothing when `json` is not an
// object with a list of keyboards.
std::optional<DesktopLayouts> parseHyprlandDevices(
    std::string_view json,
    const std::function<std::optional<std::string>(std::string_view)>& describe);

// The change one event line (without its line end) announces; nothing for other events.
std::optional<DesktopChange> parseHyprlandEvent(std::string_view line);

}  // namespace kestravane::platform::wayland
