// When a person pressed or released a key in the demo window, on the virtual Mac's uptime clock.
// The host stamps each input event with its own clock (milliseconds, e.g. the X server's time);
// the GUI thread may handle the event much later (a slow repaint), and what the taps measure
// must be the person's timing, not the GUI thread's. The host's clock is related to the uptime
// clock by the smallest difference seen so far (the event handled with the least delay), so an
// event's time is never later than when it is handled, and times never go backwards.
// Threads: GUI thread only.
#pragma once

#include <cstdint>
#include <optional>

namespace kestravane::platform::vmac::demo {

class HostInputTime {
 public:
  // The uptime at which an event stamped `hostMillis` happened, handled at `nowNanos`. An event
  // without a stamp (0) happened now; a stamp earlier than the previous one (the host's clock
  // started again) begins a new relation.
  std::uint64_t uptimeOf(std::uint64_t hostMillis, std::uint64_t nowNanos);

 private:
  std::optional<std::int64_t> offsetNanos;  // uptime minus host time, the smallest seen
  std::uint64_t lastHostMillis = 0;
  std::uint64_t lastUptime = 0;
};

}  // namespace kestravane::platform::vmac::demo
