// Hyprland's XKB options, through its request socket (HyprlandRequest.h): `j/getoption
// input:kb_options` says them ({"option": ..., "str": "grp:alt_shift_toggle", ...}), `keyword
// input:kb_options ...` sets them for every keyboard until Hyprland reloads its configuration.
// Giving the key back sets the user's own options again.
// Threads: main thread.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Wayland/DesktopKeyOptions.h"

namespace kestravane::platform::wayland {

class HyprlandKeyOptions final : public DesktopKeyOptions {
 public:
  // `socketFolder` holds .socket.sock; each request waits at most `timeout`.
  HyprlandKeyOptions(std::string socketFolder, std::chrono::milliseconds timeout);

  std::string_view desktop() const override { return "hyprland"; }
  std::optional<XkbOptionList> read() override;
  std::optional<std::string> write(const XkbOptionList& options) override;

 private:
  const std::string socketFolder;
  const std::chrono::milliseconds timeout;
};

}  // namespace kestravane::platform::wayland
