#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "Platform/Host/ManualClock.h"
#include "Platform/Host/SystemUptimeClock.h"

namespace kestravane::platform::host {
namespace {

TEST(ClockTest, ManualClockMovesOnlyWhenTold) {
  ManualClock clock;
  EXPECT_EQ(clock.uptimeNanos(), 0u);
  clock.advanceMillis(300);
  clock.advanceNanos(1);
  EXPECT_EQ(clock.uptimeNanos(), 300'000'001u);
  clock.set(std::numeric_limits<std::uint64_t>::max() - 5);
  clock.advanceNanos(10);  // wraps as the engine's unsigned arithmetic expects
  EXPECT_EQ(clock.uptimeNanos(), 4u);
}

TEST(ClockTest, SystemUptimeClockIsMonotonic) {
  SystemUptimeClock clock;
  const auto first = clock.uptimeNanos();
  EXPECT_GT(first, 0u);
  EXPECT_GE(clock.uptimeNanos(), first);
}

}  // namespace
}  // namespace kestravane::platform::host
