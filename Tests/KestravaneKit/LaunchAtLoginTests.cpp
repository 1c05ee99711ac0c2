#include "KestravaneKit/LaunchAtLogin.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "KestravaneKit/LogLines.h"
#include "Support/VirtualMacRig.h"

namespace kestravane {
namespace {

using platform::LoginItemStatus;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class LaunchAtLoginTest : public ::testing::Test {
 protected:
  platform::vmac::VirtualLoginItems& loginItem() { return rig.mac.loginItems(); }
  std::vector<std::string> logged() { return rig.mac.log().messages(); }

  testing_support::VirtualMacRig rig;
  LaunchAtLogin launchAtLogin{*rig.services()};
};

TEST_F(LaunchAtLoginTest, RegisteredWhileEnabledOrAwaitingApproval) {
  const std::vector<std::pair<LoginItemStatus, bool>> cases{
      {LoginItemStatus::enabled, true},          {LoginItemStatus::notRegistered, false},
      {LoginItemStatus::requiresApproval, true}, {LoginItemStatus::enabled, true},
      {LoginItemStatus::notFound, false},
  };
  int asked = loginItem().statusCallCount();
  for (const auto& [status, expected] : cases) {
    loginItem().setStatus(status);
    EXPECT_EQ(launchAtLogin.isRegistered(), expected) << static_cast<int>(status);
    EXPECT_EQ(loginItem().statusCallCount(), ++asked) << "asked afresh every time";
  }
}

TEST_F(LaunchAtLoginTest, SuccessfulChangesAreReportedWithoutLogging) {
  EXPECT_TRUE(launchAtLogin.setEnabled(true));
  EXPECT_TRUE(launchAtLogin.isRegistered());
  EXPECT_TRUE(launchAtLogin.setEnabled(false));
  EXPECT_FALSE(launchAtLogin.isRegistered());
  EXPECT_EQ(loginItem().registerCallCount(), 1);
  EXPECT_EQ(loginItem().unregisterCallCount(), 1);
  EXPECT_THAT(logged(), IsEmpty());
}

TEST_F(LaunchAtLoginTest, AcceptedRegistrationAwaitingApprovalIsNotEnabledYet) {
  loginItem().setRequiresApproval(true);
  EXPECT_TRUE(launchAtLogin.setEnabled(true));
  EXPECT_TRUE(launchAtLogin.isRegistered());
  EXPECT_EQ(launchAtLogin.status(), LoginItemStatus::requiresApproval);
  loginItem().approve();
  EXPECT_EQ(launchAtLogin.status(), LoginItemStatus::enabled);
}

TEST_F(LaunchAtLoginTest, RefusedChangeLogsOneLineWithTheErrorAndReturnsFalse) {
  struct Case {
    bool on;
    LoginItemStatus before;
    std::string expectedLine;
  };
  const std::vector<Case> cases{
      {true, LoginItemStatus::notRegistered,
       std::string(logline::kLoginRegisterFailed) + "Operation not permitted"},
      {false, LoginItemStatus::enabled,
       std::string(logline::kLoginUnregisterFailed) + "Operation not permitted"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expectedLine);
    rig.mac.log().clear();
    loginItem().setStatus(c.before);
    loginItem().setRegisterFailure("Operation not permitted");
    loginItem().setUnregisterFailure("Operation not permitted");

    EXPECT_FALSE(launchAtLogin.setEnabled(c.on));
    EXPECT_THAT(logged(), ElementsAre(c.expectedLine));
    EXPECT_EQ(loginItem().status(), c.before) << "a refused change changes nothing";
  }
  EXPECT_EQ(loginItem().registerCallCount() + loginItem().unregisterCallCount(), 2) << "no retry";
}

}  // namespace
}  // namespace kestravane
