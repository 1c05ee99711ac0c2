#include "KestravaneKit/GlobeKeyManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Support/VirtualMacRig.h"

namespace kestravane {
namespace {

using platform::PreferencesHost;
using platform::PreferencesUser;
using platform::PropertyValue;
using platform::vmac::kFnUsageTypeKey;
using platform::vmac::kHIToolboxDomain;

class GlobeKeyManagerTest : public ::testing::Test {
 protected:
  platform::vmac::VirtualPreferences& preferences() { return rig.mac.preferences(); }
  // Written by another process (System Settings, `defaults write`), as the system stores it.
  void storeFromOutside(const PropertyValue& value) {
    preferences().writeFromOtherProcess(kHIToolboxDomain, kFnUsageTypeKey, value);
  }

  testing_support::VirtualMacRig rig;
  GlobeKeyManager manager{*rig.services()};
};

TEST_F(GlobeKeyManagerTest, MissingPreferenceIsAbsentAndNotFree) {
  EXPECT_EQ(manager.current(), std::nullopt);
  EXPECT_FALSE(manager.isGlobeFree());
}

// An integer counts as it is; a real counts when it is a whole number that fits an integer
// (System Settings writes integers, but `defaults write -float` or another tool may not).
TEST_F(GlobeKeyManagerTest, NumbersThatHoldAnIntegerMapToTheirUsage) {
  struct Case {
    PropertyValue stored;
    GlobeFnUsage expected;
    bool free;
  };
  constexpr std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
  const std::vector<Case> cases{
      {std::int64_t{0}, GlobeFnUsage::doNothing(), true},
      {std::int64_t{1}, GlobeFnUsage::occupied(1), false},
      {std::int64_t{2}, GlobeFnUsage::occupied(2), false},
      {std::int64_t{3}, GlobeFnUsage::occupied(3), false},
      {std::int64_t{-1}, GlobeFnUsage::occupied(-1), false},
      {std::int64_t{4'294'967'296}, GlobeFnUsage::occupied(4'294'967'296), false},
      {0.0, GlobeFnUsage::doNothing(), true},
      {-0.0, GlobeFnUsage::doNothing(), true},
      {2.0, GlobeFnUsage::occupied(2), false},
      {3.0, GlobeFnUsage::occupied(3), false},
      {-1.0, GlobeFnUsage::occupied(-1), false},
      {4'294'967'296.0, GlobeFnUsage::occupied(4'294'967'296), false},
      {-9'223'372'036'854'775'808.0, GlobeFnUsage::occupied(lowest), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.stored));
    storeFromOutside(c.stored);
    EXPECT_EQ(manager.current(), c.expected);
    EXPECT_EQ(manager.isGlobeFree(), c.free);
  }
}

// Nothing else says exactly what the key does, so these read as absent and never as free: a
// string even when it spells a number, a boolean (not a number to the system), a real with a
// fraction or beyond the integer range, and data.
TEST_F(GlobeKeyManagerTest, ValuesThatCannotBeReadAsAnIntegerAreAbsent) {
  const std::vector<PropertyValue> values{
      std::string("0"),
      std::string("2"),
      std::string(""),
      false,
      true,
      0.5,
      2.5,
      -0.5,
      1e-300,
      9'223'372'036'854'775'808.0,   // 2^63, one past the largest integer
      -9'223'372'036'854'777'856.0,  // the next real below -2^63
      1e300,
      std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(),
      std::numeric_limits<double>::quiet_NaN(),
      platform::Data{0},
      platform::Data{},
  };
  for (const auto& value : values) {
    SCOPED_TRACE(::testing::PrintToString(value));
    storeFromOutside(value);
    EXPECT_EQ(manager.current(), std::nullopt);
    EXPECT_FALSE(manager.isGlobeFree());
  }
}

TEST_F(GlobeKeyManagerTest, SeesWhatSystemSettingsHasJustWritten) {
  ASSERT_FALSE(manager.isGlobeFree());
  preferences().setFnUsageType(0);  // the user picks "Do Nothing"
  EXPECT_TRUE(manager.isGlobeFree());
  preferences().setFnUsageType(2);
  EXPECT_EQ(manager.current(), GlobeFnUsage::occupied(2));
  preferences().setFnUsageType(std::nullopt);
  EXPECT_EQ(manager.current(), std::nullopt);
  EXPECT_EQ(preferences().synchronizeCount(kHIToolboxDomain), 4);
}

TEST_F(GlobeKeyManagerTest, ReadsTheCurrentUsersValueForAnyHost) {
  preferences().writeFromOtherProcess(kHIToolboxDomain, kFnUsageTypeKey, std::int64_t{0},
                                      PreferencesUser::currentUser, PreferencesHost::currentHost);
  preferences().writeFromOtherProcess(kHIToolboxDomain, kFnUsageTypeKey, std::int64_t{0},
                                      PreferencesUser::anyUser, PreferencesHost::anyHost);
  preferences().writeFromOtherProcess("com.apple.keyboard", kFnUsageTypeKey, std::int64_t{0});
  EXPECT_EQ(manager.current(), std::nullopt);
  storeFromOutside(std::int64_t{1});
  EXPECT_EQ(manager.current(), GlobeFnUsage::occupied(1));
}

}  // namespace
}  // namespace kestravane
