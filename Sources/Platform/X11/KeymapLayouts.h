// The keyboard layouts of an XKB keymap, as the X11 backend names them: one per group, in group
// order. A layout's identifier is its XKB layout name with the variant in parentheses when there
// is one ("us", "ru", "us(dvorak)"), read from the keymap's rules names (_XKB_RULES_NAMES); a
// name that comes again in a later group gets that group's number after "#" ("us#3"), so that
// every group can be told apart and the cycle never sticks; a group the rules names do not cover
// is "group" and its number ("group2"). Its localized name is the keymap's name of the group
// ("English (US)"), absent when the keymap names none.
// Threads: plain values and pure functions; read() on the connection's thread.
#pragma once

#include <X11/Xlib.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestravane::platform::x11 {

struct KeymapLayout {
  std::string id;
  std::optional<std::string> name;
  bool operator==(const KeymapLayout&) const = default;
};

// The identifiers of `groupCount` groups from the comma-separated layouts and variants of the
// rules names.
std::vector<std::string> layoutIdentifiers(std::string_view layouts, std::string_view variants,
                                           int groupCount);

// The layouts of the keymap the server on `display` has now; empty when it tells nothing.
std::vector<KeymapLayout> readKeymapLayouts(Display* display);

// The current group (XkbGetState), absent when the server does not answer.
std::optional<int> currentGroup(Display* display);

}  // namespace kestravane::platform::x11
