// One event tap of the virtual Mac (the CFMachPort behind CGEventTapCreate) and the run-loop
// source that services it. The window server puts events and disabled notices into the tap's
// port; the run loop holding the tap's source takes them out one at a time and calls the
// callback on its own thread; the answer goes back to the window server through a TapReply.
// A tap is created enabled. A disabled tap takes no events and drops those still waiting in
// its port (notices still reach it); an invalidated tap is dead for good.
// Threads: any thread; the callback runs on the thread of the run loop holding the source.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>

#include "Platform/EventTaps.h"
#include "Platform/Virtual/VirtualEvent.h"
#include "Platform/Virtual/VirtualRunLoops.h"

namespace kestravane::platform::vmac {

// The window server's wait for one tap's answer to one event or notice.
class TapReply {
 public:
  enum class Outcome { answered, released, timedOut };

  // From the run loop: the callback's answer (nullptr: swallow).
  void answer(const Event* result);
  // The message was dropped unanswered (the tap was disabled or invalidated).
  void release();
  // Waits until answered or released, at most until `deadline`; a reply that times out ignores
  // any later answer.
  Outcome wait(std::chrono::steady_clock::time_point deadline);
  // After `answered`: the event to pass on, or nothing when it was swallowed.
  std::optional<Event> result() const;

 private:
  enum class State { waiting, answered, released, abandoned };
  mutable std::mutex mutex;
  std::condition_variable settled;
  State state = State::waiting;
  std::optional<Event> _result;
};

class VirtualEventTap final : public EventTap,
                              public std::enable_shared_from_this<VirtualEventTap> {
 public:
  VirtualEventTap(TapLocation location, TapPlacement placement, TapOptions options, EventMask mask,
                  TapCallback callback, void* userInfo);

  const TapLocation location;
  const TapPlacement placement;
  const TapOptions options;
  const EventMask mask;

  // What the seam asks for.
  void setEnabled(bool enabled);
  void invalidate();
  // The tap's source, made on first request and the same one while it lives, as
  // CFMachPortCreateRunLoopSource caches it; nullptr for an invalidated tap.
  std::shared_ptr<RunLoopSource> runLoopSource();

  bool isEnabled() const;
  bool isInvalidated() const;
  // Its source is in a run loop that is running: what the tap is offered is served at once.
  bool isServed() const;

  // What the window server does. offer() queues `event` when the tap is enabled, alive and its
  // mask selects the type; the reply to wait on, or nullptr when the tap does not take it. The
  // callback reads the uptime as at `happenedAt`, when given (EventTimeClock).
  std::shared_ptr<TapReply> offer(const Event& event,
                                  std::optional<std::uint64_t> happenedAt = std::nullopt);
  // Disables the tap and queues the notice (with `reply` to wait on, if given); false when the
  // tap is invalidated.
  bool disableWithNotice(EventType notice, std::shared_ptr<TapReply> reply);

  // What the tap's run-loop source does.
  bool serviceOne();
  bool hasMessages() const;

 private:
  struct Message {
    Event event;
    std::shared_ptr<TapReply> reply;
    std::optional<std::uint64_t> happenedAt;
  };

  void dropWaitingEvents();  // with mutex held
  void signalSource();

  const TapCallback callback;
  void* const userInfo;
  mutable std::mutex mutex;
  bool enabled = true;
  bool invalidated = false;
  std::deque<Message> port;
  std::weak_ptr<VirtualRunLoopSource> source;
};

}  // namespace kestravane::platform::vmac
