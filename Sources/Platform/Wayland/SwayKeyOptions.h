// Sway's XKB options, over its IPC socket ($SWAYSOCK): `input type:keyboard xkb_options ...`
// sets them on every keyboard. Sway's IPC does not report the options its keyboards have, so the
// options read are what this object last set and, before that, the user's own as their
// configuration gives them (GET_CONFIG's text: the `xkb_options` of the `input type:keyboard` and
// `input *` blocks); a configuration without them means none. Giving the key back sends the
// user's own options again. Sway applies the command to virtual keyboards too: their keymap is
// then made from the configuration, not their client's.
// Each request waits at most the timeout given at construction.
// Threads: main thread.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Wayland/DesktopKeyOptions.h"
#include "Platform/Wayland/I3IpcSocket.h"

namespace kestravane::platform::wayland {

// The options a Sway configuration's text gives every keyboard. Sway prefers `type:keyboard` to
// `*` whatever their order, and a later line to an earlier one. Not followed: `include`d files,
// variables (`set $name`), and blocks for one device (they apply to that device alone).
XkbOptionList swayConfigXkbOptions(std::string_view configText);

class SwayKeyOptions final : public DesktopKeyOptions {
 public:
  static constexpr std::chrono::milliseconds kDefaultTimeout{1000};

  explicit SwayKeyOptions(std::string socketPath,
                          std::chrono::milliseconds timeout = kDefaultTimeout);

  std::string_view desktop() const override { return "sway"; }
  std::optional<XkbOptionList> read() override;
  std::optional<std::string> write(const XkbOptionList& options) override;

 private:
  // Sway's reply, or nothing and why.
  std::optional<std::string> ask(std::uint32_t type, std::string_view payload,
                                 std::string& failure);

  const std::string socketPath;
  const std::chrono::milliseconds timeout;
  I3IpcSocket socket;
  std::optional<XkbOptionList> lastSet;
};

}  // namespace kestravane::platform::wayland
