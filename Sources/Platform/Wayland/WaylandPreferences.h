// The system preferences the program reads, as a Wayland desktop answers them. As on X11,
// "AppleFnUsageType" in "com.apple.HIToolbox" is 0 (Do Nothing): the key that stands for fn/Globe
// (the Menu key) has no system function the program knows of. The system's own Caps Lock
// switching ("TISRomanSwitchState" in the global domain) is 1 while the desktop's XKB options make
// Caps Lock switch layouts (a "grp:" option naming caps), 0 otherwise; read from the desktop at
// each query where it has options Plivex can read (DesktopKeyOptions), 0 where it has none or does
// not answer: absent would mean a Mac's default (on) and block a Caps Lock trigger on a desktop
// that never said so. Every other key is absent.
// Threads: main thread (as the desktop's options).
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "Platform/Preferences.h"
#include "Platform/Wayland/DesktopKeyOptions.h"

namespace kestravane::platform::wayland {

class WaylandPreferences final : public Preferences {
 public:
  // `options` may be null: the desktop's options cannot be read.
  explicit WaylandPreferences(std::shared_ptr<DesktopKeyOptions> options);

  // Whether these options switch layouts with Caps Lock.
  static bool capsLockSwitchesLayouts(const XkbOptionList& options);

  // Seam.
  bool appSynchronize(const std::string&) override { return true; }
  std::optional<PropertyValue> copyValue(const std::string& key, const std::string& applicationID,
                                         PreferencesUser, PreferencesHost) override;

 private:
  const std::shared_ptr<DesktopKeyOptions> options;
};

}  // namespace kestravane::platform::wayland
