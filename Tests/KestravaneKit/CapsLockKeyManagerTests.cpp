#include "KestravaneKit/CapsLockKeyManager.h"

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
using platform::vmac::kGlobalDomain;
using platform::vmac::kHIToolboxDomain;
using platform::vmac::kRomanSwitchStateKey;

class CapsLockKeyManagerTest : public ::testing::Test {
 protected:
  platform::vmac::VirtualPreferences& preferences() { return rig.mac.preferences(); }

  testing_support::VirtualMacRig rig;
  CapsLockKeyManager manager{*rig.services()};
};

// Only a value that says "off" frees the key: macOS ships with the switching on, so a missing
// value counts as on, and so does anything that is no number or boolean, or a fractional one.
TEST_F(CapsLockKeyManagerTest, OnlyAStoredZeroOrFalseFreesTheKey) {
  struct Case {
    std::optional<PropertyValue> stored;
    std::optional<std::int64_t> read;
    bool free;
  };
  const std::vector<Case> cases{
      {std::nullopt, std::nullopt, false},
      {PropertyValue(std::int64_t{0}), 0, true},
      {PropertyValue(std::int64_t{1}), 1, false},
      {PropertyValue(std::int64_t{-1}), -1, false},
      {PropertyValue(false), 0, true},  // `defaults write -g TISRomanSwitchState -bool false`
      {PropertyValue(true), 1, false},
      {PropertyValue(0.0), 0, true},
      {PropertyValue(1.0), 1, false},
      {PropertyValue(0.5), std::nullopt, false},
      {PropertyValue(std::numeric_limits<double>::quiet_NaN()), std::nullopt, false},
      {PropertyValue(std::string("0")), std::nullopt, false},
      {PropertyValue(platform::Data{0}), std::nullopt, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.stored));
    if (c.stored) {
      preferences().writeFromOtherProcess(kGlobalDomain, kRomanSwitchStateKey, *c.stored);
    } else {
      preferences().removeFromOtherProcess(kGlobalDomain, kRomanSwitchStateKey);
    }
    EXPECT_EQ(manager.current(), c.read);
    EXPECT_EQ(manager.isCapsLockFree(), c.free);
  }
}

// System Settings writes the current user's global domain for any host; the same key elsewhere
// (another host, another domain such as com.apple.HIToolbox) is not the option.
TEST_F(CapsLockKeyManagerTest, ReadsTheCurrentUsersGlobalDomainAfresh) {
  preferences().writeFromOtherProcess(kGlobalDomain, kRomanSwitchStateKey, std::int64_t{0},
                                      PreferencesUser::currentUser, PreferencesHost::currentHost);
  preferences().writeFromOtherProcess(kHIToolboxDomain, kRomanSwitchStateKey, std::int64_t{0});
  EXPECT_FALSE(manager.isCapsLockFree());

  preferences().setRomanSwitchState(0);
  EXPECT_TRUE(manager.isCapsLockFree()) << "what another process just wrote is seen";
  preferences().setRomanSwitchState(1);
  EXPECT_FALSE(manager.isCapsLockFree());
  EXPECT_EQ(preferences().synchronizeCount(kGlobalDomain), 3);
}

}  // namespace
}  // namespace kestravane
