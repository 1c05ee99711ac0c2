// Names for macOS key codes as the console spells them ("fn", "rcmd", "a", ...).
// Threading: pure functions.
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
