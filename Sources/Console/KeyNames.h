// Key names as the console takes them: the key table's names and short aliases, in any case
// ("fn", "capsLock", "rcmd", "a"), or a decimal key code; and the names of the trigger keys.
// Threads: pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "KestravaneCore/TriggerKeys.h"

namespace kestravane::console {

// The key code named, or a decimal key code; absent for anything else.
std::optional<std::uint16_t> keyCodeForName(std::string_view name);
// The list of names, for help.
std::string keyNameList();
// The trigger a name stands for: its stored name or its key's name in the key table, in any
// case ("capslock", "CapsLock", "rightcommand", "rcmd"); absent for any other name.
std::optional<TriggerKind> triggerForName(std::string_view name);
// The triggers' stored names, for usage lines: "fn|capsLock|rightCommand".
std::string triggerNameList();

}  // namespace kestravane::console
