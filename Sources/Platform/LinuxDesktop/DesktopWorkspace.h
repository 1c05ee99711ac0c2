// The workspace of a Linux desktop: URLs open with the desktop's opener (xdg-open), started
// without a shell and without waiting; the keyboard pane of System Settings
// ("x-apple.systempreferences:com.apple.preference.keyboard") opens the desktop's own keyboard
// settings where one is known (GNOME, KDE, Xfce, chosen from XDG_CURRENT_DESKTOP and what is on
// PATH); other System Settings panes do not exist there, and opening them fails. What cannot be
// opened, and a program that cannot be started, is logged (never the URL's query). Wake
// notifications come from outside the platform: the application layer posts them (postDidWake(),
// from logind's PrepareForSleep), and the observers run on the main queue. URL parsing and the
// wake observers are the host's generic ones.
// Threads: calls from the main thread; postDidWake() from any thread.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Host/WakeObservers.h"
#include "Platform/Log.h"
#include "Platform/Workspace.h"

namespace kestravane::platform::desktop {

class DesktopWorkspace final : public Workspace {
 public:
  // What the desktop session says of itself.
  struct Desktop {
    std::string currentDesktop;  // XDG_CURRENT_DESKTOP, e.g. "ubuntu:GNOME"
    std::string path;            // PATH
    // The session's values.
    static Desktop fromEnvironment();
  };

  // `log` (may be null) hears of what could not be opened.
  DesktopWorkspace(std::shared_ptr<DispatchQueue> mainQueue, Desktop desktop,
                   std::shared_ptr<Log> log = nullptr);

  // The command that opens the keyboard settings of `desktop`, its program found on its PATH;
  // absent when the desktop is none of those known or its program is missing.
  static std::optional<std::vector<std::string>> keyboardSettingsCommand(const Desktop& desktop);
  // The command that opens `url`, absent when nothing on this desktop opens it.
  static std::optional<std::vector<std::string>> openCommand(const Desktop& desktop,
                                                             std::string_view url);

  // Seam.
  std::optional<URL> urlWithString(const std::string& string) override;
  bool openURL(const URL& url) override;
  bool canOpenURL(const URL& url) override;
  std::shared_ptr<Cancellable> addDidWakeObserver(std::function<void()> observer) override;

  // The machine woke up: every wake observer runs once on the main queue.
  void postDidWake();

 private:
  const Desktop desktop;
  const std::shared_ptr<Log> log;
  host::WakeObservers wakeObservers;
};

}  // namespace kestravane::platform::desktop
