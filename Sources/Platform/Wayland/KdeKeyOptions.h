// KDE Plasma's XKB options: `Options=` in the [Layout] group of the user's kxkbrc
// ($XDG_CONFIG_HOME/kxkbrc), with `ResetOldOptions=true` (what KDE's keyboard settings write when
// options are set), then the D-Bus signal `reloadConfig` (interface org.kde.keyboard, path
// /Layouts, no arguments) on the session bus, after which KWin reads the group again and makes a
// new keymap. The names are KWin's: src/keyboard_layout.cpp, KeyboardLayout::init() connects that
// signal from any sender to reconfigure(), and its autotests/integration/keyboard_layout_test.cpp
// sends it the same way after writing kxkbrc.
// The file is written whole and atomically, every other line as it was; a link is followed to
// the file it names. A file that exists but cannot be read is never written.
// Threads: main thread.
#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Wayland/DesktopKeyOptions.h"

namespace kestravane::platform::wayland {

// The options a kxkbrc's text sets (the last `Options=` of a [Layout] group; none without one).
XkbOptionList kxkbrcOptions(std::string_view text);
// The text with `Options=` set to these and `ResetOldOptions=true`, every other line kept; the
// keys are replaced where they stand, else added under the first [Layout], made if missing.
std::string kxkbrcWithOptions(std::string_view text, const XkbOptionList& options);

class KdeKeyOptions final : public DesktopKeyOptions {
 public:
  static constexpr std::chrono::milliseconds kDefaultTimeout{1000};

  // The signal goes on the session bus, or on the bus at `busAddress` when given.
  explicit KdeKeyOptions(std::filesystem::path kxkbrc,
                         std::optional<std::string> busAddress = std::nullopt,
                         std::chrono::milliseconds timeout = kDefaultTimeout);

  std::string_view desktop() const override { return "kde"; }
  std::optional<XkbOptionList> read() override;
  // Where KWin cannot be told, the file is put back as it was: options that nobody applies
  // would otherwise wait for the next login with no note to undo them.
  std::optional<std::string> write(const XkbOptionList& options) override;

 private:
  struct Contents {
    bool exists = false;
    std::string text;
  };
  // The file as it is now; nothing when it exists but cannot be read.
  std::optional<Contents> contents() const;
  std::optional<std::string> tellKWin() const;

  const std::filesystem::path kxkbrc;
  const std::optional<std::string> busAddress;
  const std::chrono::milliseconds timeout;
};

}  // namespace kestravane::platform::wayland
