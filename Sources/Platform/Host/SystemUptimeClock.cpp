#include "Platform/Host/SystemUptimeClock.h"

#include <time.h>

namespace kestravane::platform::host {

std::uint64_t SystemUptimeClock::uptimeNanos() const {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * 1'000'000'000u +
         static_cast<std::uint64_t>(now.tv_nsec);
}

}  // namespace kestravane::platform::host
