// The system preferences the program reads, as an X11 desktop answers them. The key that stands
// for fn/Globe there (the Menu key) has no system function the program knows of, so
// "AppleFnUsageType" in "com.apple.HIToolbox" is 0 (Do Nothing). The system's own Caps Lock
// switching ("TISRomanSwitchState" in the global domain) is the keymap's: 1 while an XKB option
// makes Caps Lock switch layouts by itself, alone or with Shift or Alt (the "grp:" options on
// Caps Lock: grp:caps_toggle, grp:caps_switch, grp:shift_caps_toggle, ...), 0 otherwise, never
// absent; read from the keymap's rules names, which the server is asked for again only after it
// reported a change (X11KeymapWatch), so a change in the desktop's keyboard settings counts at the
// next query and a query at rest costs no round trip. The "caps:" options (Caps Lock as Escape, as
// Backspace, ...) switch no layout: while Caps Lock is the trigger its action is taken away
// whatever they make it. "ModifierOnlyShortcutsMeta" in "kwinrc" is 1 while KDE Plasma acts on a
// lone Meta tap (its launcher, by default), 0 while it does nothing there; absent outside a KDE
// session. Read from kwinrc at each query. Every other key is absent.
// Threads: the connection's thread (the main thread).
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Preferences.h"
#include "Platform/X11/X11KeymapWatch.h"

namespace kestravane::platform::x11 {

class X11Preferences final : public Preferences {
 public:
  // `currentDesktop` is XDG_CURRENT_DESKTOP; `kwinrc` the file KDE reads (absent: none).
  explicit X11Preferences(std::shared_ptr<X11KeymapWatch> watch, std::string currentDesktop = {},
                          std::optional<std::filesystem::path> kwinrc = std::nullopt);

  // Whether these comma-separated XKB options (as in _XKB_RULES_NAMES) switch layouts with Caps
  // Lock.
  static bool capsLockSwitchesLayouts(std::string_view xkbOptions);

  // Seam.
  bool appSynchronize(const std::string&) override { return true; }
  std::optional<PropertyValue> copyValue(const std::string& key, const std::string& applicationID,
                                         PreferencesUser, PreferencesHost) override;

 private:
  const std::shared_ptr<X11KeymapWatch> watch;
  const bool kde;
  const std::optional<std::filesystem::path> kwinrc;
};

}  // namespace kestravane::platform::x11
