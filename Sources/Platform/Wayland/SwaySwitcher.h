// Sway's layouts through its IPC socket ($SWAYSOCK): GET_INPUTS lists them (SwayInputs.h says
// which keyboard is followed), RUN_COMMAND `input type:keyboard xkb_switch_layout N` selects one,
// and a second connection subscribed to "input" events tells of changes.
// Each request waits at most the timeout given at construction; a connection that failed is made
// again at the next request, and a new subscription with it when the old one ended.
// A listing is kept while the subscription is open and has brought nothing since: a check at rest
// costs no round trip. An event Sway has sent makes the next read ask again, even before its
// notice reaches the main queue; selecting always does.
// Threads: the calls on the main thread (DesktopSwitcher.h). The subscription is read on a thread
//   of the switcher's own, idle in poll() between events; it posts each change to the main queue,
//   where the observer runs. A notice posted before the switcher went is dropped. The reading
//   thread also counts its reads in atomics the main thread checks before using a kept listing.
// Ownership: the destructor stops the reading thread and waits for it.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "Platform/Dispatch.h"
#include "Platform/LinuxDesktop/PollRunLoops.h"
#include "Platform/Wayland/DesktopSwitcher.h"
#include "Platform/Wayland/I3IpcSocket.h"

namespace kestravane::platform::wayland {

class SwaySwitcher final : public DesktopSwitcher {
 public:
  static constexpr std::chrono::milliseconds kDefaultTimeout{1000};

  // Connects to the socket at `socketPath` (empty: no Sway, which unavailableReason() says).
  SwaySwitcher(std::string socketPath, std::shared_ptr<DispatchQueue> mainQueue,
               std::chrono::milliseconds timeout = kDefaultTimeout);
  ~SwaySwitcher() override;
  SwaySwitcher(const SwaySwitcher&) = delete;
  SwaySwitcher& operator=(const SwaySwitcher&) = delete;

  // DesktopSwitcher.
  std::string desktopName() const override { return "Sway"; }
  std::optional<std::string> unavailableReason() const override;
  std::optional<DesktopLayouts> read() override;
  bool select(std::size_t index) override;
  void setChangeObserver(std::function<void(DesktopChange)> observer) override;

  const std::string& socketPath() const { return _socketPath; }

  // What the main thread and the posted notices share; the observer is the main thread's alone.
  struct Notices {
    std::function<void(DesktopChange)> observer;
    bool ended = false;  // the subscription's connection ended
    // Written by the reading thread: odd while it reads the subscription, so a change that has
    // arrived shows here before its notice runs; `listening` falls when the connection ends.
    std::atomic<std::uint64_t> reads{0};
    std::atomic<bool> listening{false};
  };

 private:
  // Connects (and subscribes) when there is no connection; whether there is one now.
  bool connected();
  void subscribe();
  void stopWatching();
  // The reply to one request, or nothing (then `reason` says why).
  std::optional<std::string> ask(std::uint32_t type, std::string_view payload);
  // Whether the kept listing still says what Sway would: nothing has been sent on the
  // subscription since it was read.
  bool keptIsCurrent() const;

  const std::string _socketPath;
  const std::shared_ptr<DispatchQueue> mainQueue;
  const std::chrono::milliseconds timeout;
  const std::shared_ptr<Notices> notices = std::make_shared<Notices>();
  I3IpcSocket requests;
  std::optional<std::string> reason;
  std::shared_ptr<desktop::PollRunLoop> watchLoop;
  std::thread watcher;
  int subscriptionDescriptor = -1;
  std::optional<DesktopLayouts> kept;
  std::uint64_t keptAtRead = 0;
};

}  // namespace kestravane::platform::wayland
