#include "Platform/MacOS/MacClock.h"

#include <time.h>

namespace kestravane::platform::macos {

std::uint64_t MacClock::uptimeNanos() const {
  return clock_gettime_nsec_np(CLOCK_UPTIME_RAW);
}

}  // namespace kestravane::platform::macos
