// The XKB options of a Wayland desktop's keyboards, read and set through the desktop itself (a
// Wayland program cannot change the keymap): GNOME's input-source settings, Sway's input
// commands, KDE's keyboard configuration, Hyprland's keywords.
// Threads: main thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "Platform/Wayland/XkbOptions.h"

namespace kestravane::platform::wayland {

class DesktopKeyOptions {
 public:
  virtual ~DesktopKeyOptions() = default;
  // The desktop's name in records and log lines ("gnome", "sway", "kde", "hyprland").
  virtual std::string_view desktop() const = 0;
  // The options now; absent when the desktop cannot be asked.
  virtual std::optional<XkbOptionList> read() = 0;
  // Sets them; absent on success, otherwise why not.
  virtual std::optional<std::string> write(const XkbOptionList& options) = 0;
};

}  // namespace kestravane::platform::wayland
