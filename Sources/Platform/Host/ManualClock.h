// The uptime clock of tests: it stands still until a test moves it.
// Threads: any thread; readings and moves are atomic.
#pragma once

#include <atomic>
#include <cstdint>

#include "Platform/Clock.h"

namespace kestravane::platform::host {

class ManualClock final : public Clock {
 public:
  explicit ManualClock(std::uint64_t startNanos = 0) : nanos(startNanos) {}

  std::uint64_t uptimeNanos() const override { return nanos.load(std::memory_order_acquire); }

  // Control.
  void advanceNanos(std::uint64_t delta) { nanos.fetch_add(delta, std::memory_order_acq_rel); }
  void advanceMillis(std::uint64_t millis) { advanceNanos(millis * 1'000'000); }
  // Puts the clock at `nanos`, also backwards: a test may start it anywhere, e.g. just before
  // the 64-bit wrap. advanceNanos() wraps as unsigned arithmetic does.
  void set(std::uint64_t value) { nanos.store(value, std::memory_order_release); }

 private:
  std::atomic<std::uint64_t> nanos;
};

}  // namespace kestravane::platform::host
