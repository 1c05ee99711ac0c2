// What Sway's IPC says about keyboards, read from its JSON: the layouts of GET_INPUTS' reply and
// the kind of change an "input" event announces.
// Sway lists every keyboard (built-in, external, the power button, tools' virtual keyboards),
// each with its own layouts, and `input type:keyboard xkb_switch_layout N` switches them all. The
// program follows the keyboard with the most layouts, the first of them on a tie: a tool's
// virtual keyboard or a power button has one, the keyboards the user set up have the list.
// Threads: pure functions.
#pragma once

#include <optional>
#include <string_view>

#include "Platform/Wayland/DesktopSwitcher.h"

namespace kestravane::platform::wayland {

// The followed keyboard's layouts (names only: Sway does not say the XKB names) and its active
// index (0 when Sway's is missing or out of range); no layouts when there is no keyboard with
// any; nothing when `json` is not an array of inputs.
std::optional<DesktopLayouts> parseSwayInputs(std::string_view json);

// The change an "input" event's payload announces; nothing for changes that leave the layouts
// alone (a libinput setting) and for what is not such an event.
std::optional<DesktopChange> parseSwayInputEvent(std::string_view json);

// Whether a reply says it succeeded: SUBSCRIBE's object, or RUN_COMMAND's array with one object
// per command, every one of them.
bool swayReplySucceeded(std::string_view json);

}  // namespace kestravane::platform::wayland
