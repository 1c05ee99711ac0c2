#include "KestravaneKit/GlobeKeyManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "KestravaneKit/InstalledVirtualMac.h"

namespace kestravane {
namespace {

using platform::PreferencesHost;
using platform::PreferencesUser;
using platform::PropertyValue;
using platform::vmac::kFnUsageTypeKey;
using platform::vmac::kHIToolboxDomain;

class GlobeKeyManagerTest : public ::testing::Test {
 protected:
  platform::vmac::VirtualPreferences& preferences() { return installed.mac.preferences(); }
  // Written by another process (System Settings, `defaults write`), as the system stores it.
  void storeFromOutside(const PropertyValue& value) {
    preferences().writeFromOtherProcess(kHIToolboxDomain, kFnUsageTypeKey, value);
  }

  testing_support::InstalledVirtualMac installed;
  GlobeKeyManager manager;
};

TEST_F(GlobeKeyManagerTest, MissingPreferenceIsAbsentAndNotFree) {
  EXPECT_EQ(manager.current(), std::nullopt);
  EXPECT_FALSE(manager.isGlobeFree());
}

TEST_F(GlobeKeyManagerTest, IntegerValuesMapToTheirUsage) {
  struct Case {
    std::int64_t stored;
    GlobeFnUsage expected;
    bool free;
  };
  const std::vector<Case> cases{
      {0, GlobeFnUsage::doNothing(), true},
      {1, GlobeFnUsage::occupied(1), false},
      {2, GlobeFnUsage::occupied(2), false},
      {3, GlobeFnUsage::occupied(3), false},
      {-1, GlobeFnUsage::occupied(-1), false},
      {4'294'967'296, GlobeFnUsage::occupied(4'294'967'296), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    storeFromOutside(c.stored);
    EXPECT_EQ(manager.current(), c.expected);
    EXPECT_EQ(manager.isGlobeFree(), c.free);
  }
}

// Only an integer number says what the key does: the system's integer reading of a preference
// does not take a boolean or a real either, so these read as absent and never as free.
TEST_F(GlobeKeyManagerTest, ValuesThatAreNotIntegersAreAbsent) {
  const std::vector<PropertyValue> values{
      std::string("0"),  std::string("2"), std::string(""), false, true, 0.0, 2.0, 0.5,
      platform::Data{0},
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
