// The desktop's XKB options as a list ("grp:alt_shift_toggle", "compose:ralt"), and the one
// option that takes a trigger key's own action away ("caps:none") put in and taken out again.
// While it is in, the user's options that act on the same key (their name holds the key's word,
// "caps" or "menu") are set aside, since two options on one key leave the key to chance; taking
// it out puts them back in their places.
// Threads: pure functions; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestravane::platform::wayland {

using XkbOptionList = std::vector<std::string>;

// "a,b,,c" as {"a", "b", "c"}: empty pieces and surrounding blanks dropped.
XkbOptionList parseXkbOptions(std::string_view commaSeparated);
std::string joinXkbOptions(const XkbOptionList& options);

// The first option that is not a plain XKB option name (letters, digits and "_:+-.()"), if any.
// The desktops' own syntaxes carry the options (a Sway command, a line of a KDE configuration
// file, a Hyprland request): such a name could end or add to what is sent, so it is refused.
std::optional<std::string> firstUnsafeXkbOption(const XkbOptionList& options);

// Whether `option` acts on the key `ours` acts on.
bool actsOnSameKey(std::string_view option, std::string_view ours);

// The user's options with `ours` in place of those on the same key (appended last).
XkbOptionList withOption(const XkbOptionList& user, std::string_view ours);

// What to set when `ours` is taken out again: `before` (the user's options when it went in) where
// the desktop still has exactly what withOption() gave, else the options now without `ours` (the
// user changed them meanwhile, and their change stands).
XkbOptionList withoutOption(const XkbOptionList& now, const XkbOptionList& before,
                            std::string_view ours);

}  // namespace kestravane::platform::wayland
