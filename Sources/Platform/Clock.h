// The uptime clock (clock_gettime_nsec_np(CLOCK_UPTIME_RAW) / mach_absolute_time in ns).
// Threads: any thread.
#pragma once

#include <cstdint>

namespace kestravane::platform {

class Clock {
 public:
  virtual ~Clock() = default;
  // Monotonic nanoseconds; does not advance while the machine sleeps.
  virtual std::uint64_t uptimeNanos() const = 0;
};

}  // namespace kestravane::platform
