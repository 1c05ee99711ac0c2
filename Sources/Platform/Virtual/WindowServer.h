// The virtual Mac's window server: it routes each keyboard, mouse-button and system-defined event
// through the registered event taps and hands what survives to the foreground application.
//
// Taps run in order of location (ascending), then placement: at one location the taps inserted
// at the head come first, newest first, then those appended at the tail, oldest first. A tap sees
// an event only while enabled and alive and when its mask selects the event's type; while secure
// input is on no tap sees key-down or key-up events. The window server waits for each tap's
// callback, which runs on the thread of the run loop holding the tap's source: an active tap's
// nullptr answer swallows the event; a listen-only tap's answer is ignored. A tap that does not
// answer within the tap timeout is disabled, its callback later receives the disabled-by-timeout
// notice, and the event goes on as if passed. A tap is created enabled, so until a running run
// loop serves its source every event its mask selects waits the whole tap timeout for it.
//
// What the foreground application received is kept for reading back, the newest
// kReceivedHistoryLimit events only: a long session keeps no record of everything typed.
//
// Threads: any thread. post() and the disable notices are delivered one at a time, in call
// order, and return after delivery; the foreground observer is called on the posting thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "Platform/EventTaps.h"
#include "Platform/Virtual/ForegroundText.h"
#include "Platform/Virtual/PermissionState.h"
#include "Platform/Virtual/VirtualEvent.h"
#include "Platform/Virtual/VirtualEventTap.h"

namespace kestravane::platform::vmac {

// A live tap (referenced and not invalidated), as the control reports it.
struct TapInfo {
  TapLocation location = TapLocation::session;
  TapPlacement placement = TapPlacement::headInsert;
  TapOptions options = TapOptions::defaultTap;
  EventMask mask = 0;
  bool enabled = false;
  bool operator==(const TapInfo&) const = default;
};

class WindowServer {
 public:
  static constexpr std::chrono::milliseconds kDefaultTapTimeout{1000};
  // More than the demo window lists (200) and than a test delivers between two readings.
  static constexpr std::size_t kReceivedHistoryLimit = 1024;

  explicit WindowServer(std::shared_ptr<PermissionState> permissions);

  const std::shared_ptr<PermissionState>& permissions() const { return _permissions; }

  // Registers a new tap at its place in the chain (permission checks are the caller's).
  std::shared_ptr<VirtualEventTap> addTap(TapLocation location, TapPlacement placement,
                                          TapOptions options, EventMask mask, TapCallback callback,
                                          void* userInfo);

  // Runs one event through the taps to the foreground application; returns once delivered.
  // `happenedAt` is when the event happened (uptime nanoseconds), when that was earlier than its
  // delivery: the taps' callbacks read the uptime clock as at that moment (EventTimeClock).
  void post(const Event& event, std::optional<std::uint64_t> happenedAt = std::nullopt);

  // Control.
  void setTapTimeout(std::chrono::milliseconds timeout);
  std::chrono::milliseconds tapTimeout() const;
  std::vector<TapInfo> liveTaps() const;
  // Every live tap's source is in a running run loop (its thread has taken it up).
  bool allTapsServed() const;
  // How many times a delivery waited the whole tap timeout for a tap (which was then disabled):
  // each time, every keyboard and mouse event of the Mac stalled.
  std::size_t tapTimeouts() const;
  // Disables every enabled live tap (or the one given, if enabled) and sends it the
  // disabled-by-user-input notice; returns after the callbacks ran or the tap timeout passed.
  void sendUserInputDisable();
  void sendUserInputDisable(EventTap& tap);
  // The same with the disabled-by-timeout notice, for a test that needs no slow callback.
  void sendTimeoutDisable();
  // What the foreground application received, in order (the newest kReceivedHistoryLimit).
  std::vector<Event> receivedEvents() const;
  void clearReceivedEvents();
  // How many events the foreground application has received in all.
  std::uint64_t receivedCount() const;
  // The events received since `cursor` (a receivedCount() taken earlier; those that fell out of
  // the history are skipped), oldest first; moves `cursor` to receivedCount().
  std::vector<Event> receivedEventsSince(std::uint64_t& cursor) const;
  // Called with each event the foreground application receives (e.g. by the demo panel), on the
  // posting thread while the delivery is still in progress: it must not post events itself.
  void setForegroundObserver(std::function<void(const Event&)> observer);
  // Where the foreground application's typing is kept, told each event it receives.
  void setForegroundText(std::shared_ptr<ForegroundText> text);

 private:
  struct Entry {
    TapLocation location;
    std::weak_ptr<VirtualEventTap> tap;
  };

  std::vector<std::shared_ptr<VirtualEventTap>> tapsInOrder() const;
  void sendNotice(const std::vector<std::shared_ptr<VirtualEventTap>>& taps, EventType notice);
  std::chrono::steady_clock::time_point deadline() const;

  const std::shared_ptr<PermissionState> _permissions;
  std::mutex deliveryMutex;  // one delivery at a time
  mutable std::mutex mutex;  // guards the members below
  std::vector<Entry> chain;
  std::chrono::milliseconds _tapTimeout = kDefaultTapTimeout;
  std::size_t timeouts = 0;
  std::deque<Event> received;
  std::uint64_t _receivedCount = 0;
  std::function<void(const Event&)> foregroundObserver;
  std::shared_ptr<ForegroundText> foregroundText;
};

}  // namespace kestravane::platform::vmac
