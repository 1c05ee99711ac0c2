#include "KestravaneCore/GlobeFnUsage.h"

#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

namespace kestravane {
namespace {

TEST(GlobeFnUsageTest, ZeroMeansDoNothingAndIsFree) {
  const GlobeFnUsage usage(0);
  EXPECT_TRUE(usage.isDoNothing());
  EXPECT_EQ(usage.occupiedValue(), std::nullopt);
  EXPECT_TRUE(usage.isFreeForTrigger());
  EXPECT_EQ(usage, GlobeFnUsage::doNothing());
}

TEST(GlobeFnUsageTest, EveryOtherRawValueIsOccupiedByThatValue) {
  for (std::int64_t raw :
       {std::int64_t{1}, std::int64_t{2}, std::int64_t{3}, std::int64_t{-1},
        std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min()}) {
    SCOPED_TRACE(raw);
    const GlobeFnUsage usage(raw);
    EXPECT_FALSE(usage.isDoNothing());
    EXPECT_EQ(usage.occupiedValue(), raw);
    EXPECT_FALSE(usage.isFreeForTrigger());
    EXPECT_EQ(usage, GlobeFnUsage::occupied(raw));
    EXPECT_NE(usage, GlobeFnUsage::doNothing());
  }
}

TEST(GlobeFnUsageTest, EqualityIncludesTheOccupiedValue) {
  EXPECT_EQ(GlobeFnUsage::occupied(2), GlobeFnUsage::occupied(2));
  EXPECT_NE(GlobeFnUsage::occupied(2), GlobeFnUsage::occupied(3));
  EXPECT_EQ(GlobeFnUsage::doNothing(), GlobeFnUsage::doNothing());
}

TEST(GlobeFnUsageTest, OccupiedByZeroIsStillABoundKey) {
  // Only the raw-value constructor maps 0 to doNothing; the occupied case keeps what it is given.
  const GlobeFnUsage usage = GlobeFnUsage::occupied(0);
  EXPECT_NE(usage, GlobeFnUsage::doNothing());
  EXPECT_FALSE(usage.isFreeForTrigger());
  EXPECT_EQ(usage.occupiedValue(), 0);
}

}  // namespace
}  // namespace kestravane
