// Hyprland's layouts through its sockets ($XDG_RUNTIME_DIR/hypr/$HYPRLAND_INSTANCE_SIGNATURE):
// `j/devices` on .socket.sock lists them (HyprlandDevices.h says which keyboard is followed),
// `switchxkblayout all N` selects one, and the event socket .socket2.sock tells of changes.
// Hyprland answers one request per connection and then closes it, so each request connects
// afresh and waits at most the timeout given at construction.
// Threads: the calls on the main thread (DesktopSwitcher.h). The event socket is read on a thread
//   of the switcher's own, idle in poll() between events; it posts each change to the main queue,
//   where the observer runs. A notice posted before the switcher went is dropped.
// Ownership: the destructor stops the reading thread and waits for it.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "Platform/Dispatch.h"
#include "Platform/LinuxDesktop/PollRunLoops.h"
#include "Platform/Wayland/DesktopSwitcher.h"
#include "Platform/Wayland/XkbLayoutRegistry.h"

namespace kestravane::platform::wayland {

class HyprlandSwitcher final : public DesktopSwitcher {
 public:
  static constexpr std::chrono::milliseconds kDefaultTimeout{1000};

  // `socketFolder` holds .socket.sock and .socket2.sock; empty: this is not Hyprland.
  HyprlandSwitcher(std::string socketFolder, std::shared_ptr<DispatchQueue> mainQueue,
                   std::chrono::milliseconds timeout = kDefaultTimeout);
  ~HyprlandSwitcher() override;
  HyprlandSwitcher(const HyprlandSwitcher&) = delete;
  HyprlandSwitcher& operator=(const HyprlandSwitcher&) = delete;

  // DesktopSwitcher.
  std::string desktopName() const override { return "Hyprland"; }
  std::optional<std::string> unavailableReason() const override;
  std::optional<DesktopLayouts> read() override;
  bool select(std::size_t index) override;
  void setChangeObserver(std::function<void(DesktopChange)> observer) override;

  const std::string& socketFolder() const { return _socketFolder; }

  struct Notices {
    std::function<void(DesktopChange)> observer;
    bool ended = false;  // the event socket's connection ended
  };

 private:
  // Hyprland's reply to `request`, or nothing (then `reason` says why).
  std::optional<std::string> ask(std::string_view request);
  void watch();
  void stopWatching();

  const std::string _socketFolder;
  const std::shared_ptr<DispatchQueue> mainQueue;
  const std::chrono::milliseconds timeout;
  const std::shared_ptr<Notices> notices = std::make_shared<Notices>();
  XkbLayoutRegistry registry;
  std::optional<std::string> reason;
  std::shared_ptr<desktop::PollRunLoop> watchLoop;
  std::thread watcher;
};

}  // namespace kestravane::platform::wayland
