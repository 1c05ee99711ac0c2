// The XKB layouts the system knows (xkeyboard-config's evdev ruleset, read with libxkbregistry),
// by what they are called and back: Sway names a layout only by its description ("English
// (US)"), which is also the name an XKB keymap gives its group, Hyprland by its XKB name only,
// and the program shows the one and identifies layouts by the other, as on X11 ("us",
// "ru(phonetic)").
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
  // The description of the layout and variant `id`; nothing when the ruleset has none.
  std::optional<std::string> descriptionFor(std::string_view id);

 private:
  using Names = std::map<std::string, std::string, std::less<>>;
  void load();

  bool loaded = false;
  Names byDescription;
  Names byId;
};

}  // namespace kestravane::platform::wayland
