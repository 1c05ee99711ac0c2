#include "Platform/Virtual/EventTimeClock.h"

namespace kestravane::platform::vmac {
namespace {

// The time of the event the current thread's tap callback handles, if it carries one.
thread_local std::optional<std::uint64_t> deliveredEventTime;

}  // namespace

std::uint64_t EventTimeClock::uptimeNanos() const {
  return deliveredEventTime ? *deliveredEventTime : machine->uptimeNanos();
}

EventTimeClock::Delivery::Delivery(std::optional<std::uint64_t> happenedAt)
    : previous(deliveredEventTime) {
  if (happenedAt) deliveredEventTime = happenedAt;
}

EventTimeClock::Delivery::~Delivery() {
  deliveredEventTime = previous;
}

}  // namespace kestravane::platform::vmac
