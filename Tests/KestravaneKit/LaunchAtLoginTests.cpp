#include "KestravaneKit/LaunchAtLogin.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "KestravaneKit/InstalledVirtualMac.h"

namespace kestravane {
namespace {

using platform::LoginItemStatus;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class LaunchAtLoginTest : public ::testing::Test {
 protected:
  platform::vmac::VirtualLoginItems& loginItem() { return installed.mac.loginItems(); }
  std::vector<std::string> logged() { return installed.mac.log().messages(); }

  testing_support::InstalledVirtualMac installed;
};

TEST_F(LaunchAtLoginTest, EnabledOnlyWhileTheStatusIsEnabled) {
  const std::vector<std::pair<LoginItemStatus, bool>> cases{
      {LoginItemStatus::enabled, true},           {LoginItemStatus::notRegistered, false},
      {LoginItemStatus::requiresApproval, false}, {LoginItemStatus::enabled, true},
      {LoginItemStatus::notFound, false},
  };
  int asked = loginItem().statusCallCount();
  for (const auto& [status, expected] : cases) {
    loginItem().setStatus(status);
    EXPECT_EQ(LaunchAtLogin::isEnabled(), expected) << static_cast<int>(status);
    EXPECT_EQ(loginItem().statusCallCount(), ++asked) << "asked afresh every time";
  }
}

TEST_F(LaunchAtLoginTest, SuccessfulChangesAreReportedWithoutLogging) {
  EXPECT_TRUE(LaunchAtLogin::setEnabled(true));
  EXPECT_TRUE(LaunchAtLogin::isEnabled());
  EXPECT_TRUE(LaunchAtLogin::setEnabled(false));
  EXPECT_FALSE(LaunchAtLogin::isEnabled());
  EXPECT_EQ(loginItem().registerCallCount(), 1);
  EXPECT_EQ(loginItem().unregisterCallCount(), 1);
  EXPECT_THAT(logged(), IsEmpty());
}

TEST_F(LaunchAtLoginTest, AcceptedRegistrationAwaitingApprovalIsNotEnabledYet) {
  loginItem().setRequiresApproval(true);
  EXPECT_TRUE(LaunchAtLogin::setEnabled(true));
  EXPECT_FALSE(LaunchAtLogin::isEnabled());
  loginItem().approve();
  EXPECT_TRUE(LaunchAtLogin::isEnabled());
}

TEST_F(LaunchAtLoginTest, RefusedChangeLogsOneLineWithTheErrorAndReturnsFalse) {
  struct Case {
    bool on;
    LoginItemStatus before;
    std::string expectedLine;
  };
  const std::vector<Case> cases{
      {true, LoginItemStatus::notRegistered,
       "Plivex[login] SMAppService register failed: Operation not permitted"},
      {false, LoginItemStatus::enabled,
       "Plivex[login] SMAppService unregister failed: Operation not permitted"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expectedLine);
    installed.mac.log().clear();
    loginItem().setStatus(c.before);
    loginItem().setRegisterFailure("Operation not permitted");
    loginItem().setUnregisterFailure("Operation not permitted");

    EXPECT_FALSE(LaunchAtLogin::setEnabled(c.on));
    EXPECT_THAT(logged(), ElementsAre(c.expectedLine));
    EXPECT_EQ(loginItem().status(), c.before) << "a refused change changes nothing";
  }
  EXPECT_EQ(loginItem().registerCallCount() + loginItem().unregisterCallCount(), 2) << "no retry";
}

}  // namespace
}  // namespace kestravane
