// The XKB layouts the system knows (xkeyboard-config's evdev ruleset, read with libxkbregistry),
// by what they are called: Sway and Hyprland name a layout only by its description ("English
// (US)"), which is also the name an XKB keymap gives its group, and the program identifies
// layouts by their XKB name as on X11 ("us", "ru(phonetic)").
// Threads: the thread that owns the object; the ruleset is read at the first lookup (some tens of
//   milliseconds, once).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kestravane::platform::wayland {

class XkbLayoutRegistry {
 public:
  // The layout and variant ("ru(phonetic)") described as `description`; nothing when the
  // ruleset has no such description or cannot be read.
  std::optional<std::string> idFor(std::string_view description);

 private:
  std::optional<std::map<std::string, std::string, std::less<>>> byDescription;
};

}  // namespace kestravane::platform::wayland
