// KDE Plasma's layouts through KWin's D-Bus service on the session bus: org.kde.keyboard
// /Layouts, interface org.kde.KeyboardLayouts (getLayoutsList, getLayout, setLayout, and the
// signals layoutChanged and layoutListChanged). KDE says each layout's XKB name without its
// variant ("ru" for Russian (phonetic) too) and its long name in the user's language.
// D-Bus through sd-bus (libsystemd): it is on every systemd-based desktop, starts no thread of its
// own and hands over a descriptor that the switcher's poll loop waits on, where GDBus would add a
// worker thread and a GLib main context to a program that has no use for them.
// Threads: the calls on the main thread (DesktopSwitcher.h), over a connection of the main
//   thread's. The signals come on a second connection, read on a thread of the switcher's own that
//   is idle in poll() between them; each change is posted to the main queue, where the observer
//   runs. A notice posted before the switcher went is dropped.
// Ownership: the destructor stops the reading thread and waits for it, then closes both
//   connections.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "Platform/Dispatch.h"
#include "Platform/LinuxDesktop/PollRunLoops.h"
#include "Platform/Wayland/DesktopSwitcher.h"

struct sd_bus;

namespace kestravane::platform::wayland {

class KdeSwitcher final : public DesktopSwitcher {
 public:
  static constexpr std::chrono::milliseconds kDefaultTimeout{1000};

  // Connects to the session bus, or to the bus at `busAddress` when given ("unix:path=...").
  explicit KdeSwitcher(std::shared_ptr<DispatchQueue> mainQueue,
                       std::optional<std::string> busAddress = std::nullopt,
                       std::chrono::milliseconds timeout = kDefaultTimeout);
  ~KdeSwitcher() override;
  KdeSwitcher(const KdeSwitcher&) = delete;
  KdeSwitcher& operator=(const KdeSwitcher&) = delete;

  // DesktopSwitcher.
  std::string desktopName() const override { return "KDE Plasma"; }
  std::optional<std::string> unavailableReason() const override;
  std::optional<DesktopLayouts> read() override;
  bool select(std::size_t index) override;
  void setChangeObserver(std::function<void(DesktopChange)> observer) override;

  struct Notices {
    std::function<void(DesktopChange)> observer;
    bool ended = false;  // the signals' connection ended
  };

 private:
  // The main thread's connection, made again when it was lost; nullptr (and `reason`) if none.
  sd_bus* connection();
  void watch();
  void stopWatching();

  const std::shared_ptr<DispatchQueue> mainQueue;
  const std::optional<std::string> busAddress;
  const std::chrono::milliseconds timeout;
  const std::shared_ptr<Notices> notices = std::make_shared<Notices>();
  sd_bus* bus = nullptr;
  std::optional<std::string> reason;
  std::shared_ptr<desktop::PollRunLoop> watchLoop;
  std::thread watcher;
};

}  // namespace kestravane::platform::wayland
