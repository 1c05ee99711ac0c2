// The uptime clock of the running application: CLOCK_MONOTONIC, which like macOS's
// CLOCK_UPTIME_RAW does not advance while the machine is suspended.
// Threads: any thread.
#pragma once

#include <cstdint>

#include "Platform/Clock.h"

namespace kestravane::platform::host {

class SystemUptimeClock final : public Clock {
 public:
  std::uint64_t uptimeNanos() const override;
};

}  // namespace kestravane::platform::host
