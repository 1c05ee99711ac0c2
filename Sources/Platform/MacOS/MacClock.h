// The uptime clock: clock_gettime_nsec_np(CLOCK_UPTIME_RAW), which does not advance while the
// machine sleeps.
// Threads: any thread.
#pragma once

#include <cstdint>

#include "Platform/Clock.h"

namespace kestravane::platform::macos {

class MacClock final : public Clock {
 public:
  std::uint64_t uptimeNanos() const override;
};

}  // namespace kestravane::platform::macos
