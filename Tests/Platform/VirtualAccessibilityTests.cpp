#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "Platform/Virtual/VirtualAccessibility.h"

namespace kestravane::platform::vmac {
namespace {

TEST(VirtualAccessibilityTest, PromptIsRecordedButOnlyTheUserGrantsTrust) {
  auto permissions = std::make_shared<PermissionState>();
  VirtualAccessibility accessibility(permissions);
  EXPECT_FALSE(accessibility.isProcessTrusted());
  EXPECT_FALSE(accessibility.isProcessTrustedWithOptions({{kAXTrustedCheckOptionPrompt, true}}));
  EXPECT_FALSE(accessibility.isProcessTrustedWithOptions({{kAXTrustedCheckOptionPrompt, false}}));
  EXPECT_FALSE(accessibility.isProcessTrusted());

  permissions->setAccessibilityTrusted(true);  // the user ticks the box in System Settings
  EXPECT_TRUE(accessibility.isProcessTrustedWithOptions({{kAXTrustedCheckOptionPrompt, true}}));
  EXPECT_EQ(accessibility.trustQueries(), (std::vector<bool>{true, false, true}));
  EXPECT_EQ(accessibility.promptsShown(), 1u);  // no prompt once trusted
}

TEST(VirtualAccessibilityTest, SecureInputFollowsTheSharedState) {
  auto permissions = std::make_shared<PermissionState>();
  VirtualAccessibility accessibility(permissions);
  EXPECT_FALSE(accessibility.isSecureEventInputEnabled());
  permissions->setSecureInput(true);
  EXPECT_TRUE(accessibility.isSecureEventInputEnabled());
}

TEST(VirtualAccessibilityTest, PermissionObserverSeesEachRealChange) {
  PermissionState permissions;
  std::vector<bool> inputMonitoringSeen;
  permissions.setObserver([&] { inputMonitoringSeen.push_back(permissions.inputMonitoring()); });
  permissions.setAccessibilityTrusted(true);
  permissions.setAccessibilityTrusted(true);  // no change
  permissions.setSecureInput(true);
  permissions.requestListenEventAccess();  // the user is sent to System Settings: no change
  permissions.setListenRequestGrants(true);
  permissions.requestListenEventAccess();  // the user clicks Allow
  permissions.requestListenEventAccess();  // already granted
  EXPECT_EQ(inputMonitoringSeen, (std::vector<bool>{false, false, true}));
}

}  // namespace
}  // namespace kestravane::platform::vmac
