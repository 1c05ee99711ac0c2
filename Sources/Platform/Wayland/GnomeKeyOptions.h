// GNOME's XKB options: the "xkb-options" key of the org.gnome.desktop.input-sources settings,
// which GNOME Shell applies to every keyboard as it changes (GSettings, through dconf).
// Threads: main thread.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/Wayland/DesktopKeyOptions.h"

namespace kestravane::platform::wayland {

class GnomeKeyOptions final : public DesktopKeyOptions {
 public:
  // nullptr when the settings' schema is not installed (no GNOME here).
  static std::unique_ptr<GnomeKeyOptions> open();
  ~GnomeKeyOptions() override;
  GnomeKeyOptions(const GnomeKeyOptions&) = delete;
  GnomeKeyOptions& operator=(const GnomeKeyOptions&) = delete;

  std::string_view desktop() const override { return "gnome"; }
  std::optional<XkbOptionList> read() override;
  std::optional<std::string> write(const XkbOptionList& options) override;

 private:
  struct Settings;
  explicit GnomeKeyOptions(std::unique_ptr<Settings> settings);
  std::unique_ptr<Settings> settings;
};

}  // namespace kestravane::platform::wayland
