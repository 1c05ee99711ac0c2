#include "Platform/Virtual/Demo/HostInputTime.h"

#include <algorithm>

namespace kestravane::platform::vmac::demo {

std::uint64_t HostInputTime::uptimeOf(std::uint64_t hostMillis, std::uint64_t nowNanos) {
  std::uint64_t uptime = nowNanos;
  if (hostMillis != 0) {
    if (hostMillis < lastHostMillis) offsetNanos.reset();
    lastHostMillis = hostMillis;
    const auto hostNanos = static_cast<std::int64_t>(hostMillis * 1'000'000);
    const std::int64_t offset = static_cast<std::int64_t>(nowNanos) - hostNanos;
    offsetNanos = std::min(offsetNanos.value_or(offset), offset);
    uptime = std::min(static_cast<std::uint64_t>(hostNanos + *offsetNanos), nowNanos);
  }
  lastUptime = std::max(lastUptime, uptime);
  return lastUptime;
}

}  // namespace kestravane::platform::vmac::demo
