// The login item on a Linux desktop: an XDG autostart entry, $XDG_CONFIG_HOME/autostart/
// plivex.desktop (by default ~/.config/autostart), that starts the program when the user logs in.
// Enabled while the entry is there and not marked Hidden=true (the desktop's own way of switching
// an entry off); registering writes the entry (atomically), unregistering removes it. A failure
// is reported with the system's reason.
// Threads: the program calls these on the main thread.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "Platform/LoginItems.h"

namespace kestravane::platform::desktop {

class XdgAutostartLoginItems final : public LoginItems {
 public:
  // `entryFile`: where the entry lives; `executable`: the program the entry starts.
  XdgAutostartLoginItems(std::filesystem::path entryFile, std::filesystem::path executable);

  // <config home>/autostart/plivex.desktop by the XDG rules (null: unset); absent when neither
  // variable gives an absolute folder.
  static std::optional<std::filesystem::path> defaultEntryFile(const char* xdgConfigHome,
                                                               const char* home);
  // The entry's text for `executable`.
  static std::string desktopEntry(const std::filesystem::path& executable);
  // One argument of an Exec line, quoted and escaped as desktop entry files require.
  static std::string execArgument(std::string_view argument);
  // The Exec value that starts `executable`, also where its path holds "%".
  static std::string execLine(const std::filesystem::path& executable);
  // Whether the entry's text switches it off (Hidden=true in its [Desktop Entry] group).
  static bool isHidden(std::string_view entry);

  // Seam.
  LoginItemStatus status() override;
  std::optional<ServiceError> registerMainApp() override;
  std::optional<ServiceError> unregisterMainApp() override;
  // An autostart entry never waits for approval: there is no such pane.
  bool openSystemSettingsLoginItems() override { return false; }

 private:
  const std::filesystem::path entryFile;
  const std::filesystem::path executable;
};

}  // namespace kestravane::platform::desktop
