// The uptime clock as the program reads it on the virtual Mac. On a Mac, a tap's callback runs
// within moments of the keystroke it handles, so the uptime it reads there is the keystroke's
// time. The virtual Mac may deliver a keystroke late (the demo window's GUI thread was busy
// repainting when the key was pressed); so while a callback handles an event that carries the
// time it happened, its thread reads that time, and the lag is not part of what the program
// measures: a tap delivered late is still a tap. Every other reading is the machine's clock.
// Threads: any thread; an event's time belongs to the thread whose Delivery set it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "Platform/Clock.h"

namespace kestravane::platform::vmac {

class EventTimeClock final : public Clock {
 public:
  explicit EventTimeClock(std::shared_ptr<const Clock> machine) : machine(std::move(machine)) {}

  std::uint64_t uptimeNanos() const override;

  // While it lives, the calling thread reads `happenedAt` (when given) from every
  // EventTimeClock; nested deliveries restore the outer one's time.
  class Delivery {
   public:
    explicit Delivery(std::optional<std::uint64_t> happenedAt);
    ~Delivery();
    Delivery(const Delivery&) = delete;
    Delivery& operator=(const Delivery&) = delete;

   private:
    const std::optional<std::uint64_t> previous;
  };

 private:
  const std::shared_ptr<const Clock> machine;
};

}  // namespace kestravane::platform::vmac
