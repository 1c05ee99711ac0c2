// Key names as the console takes them: the key table's names and short aliases, in any case
// ("fn", "capsLock", "rcmd", "a"), or a decimal key code.
// Threads: pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestravane::console {

// The key code named, or a decimal key code; absent for anything else.
std::optional<std::uint16_t> keyCodeForName(std::string_view name);
// The list of names, for help.
std::string keyNameList();

}  // namespace kestravane::console
