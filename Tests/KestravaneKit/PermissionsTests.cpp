#include "KestravaneKit/Permissions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Support/VirtualMacRig.h"

namespace kestravane {
namespace {

using platform::vmac::PermissionState;

class PermissionsTest : public ::testing::Test {
 protected:
  PermissionState& state() { return rig.mac.permissions(); }

  testing_support::VirtualMacRig rig;
  Permissions permissions{*rig.services()};
};

struct QueryCase {
  const char* name;
  bool (Permissions::*query)() const;
  std::function<void(PermissionState&, bool)> set;
};

TEST_F(PermissionsTest, EveryQueryAsksTheSystemWhenAsked) {
  const std::vector<QueryCase> cases{
      {"Input Monitoring", &Permissions::hasInputMonitoring,
       [](PermissionState& s, bool on) { s.setInputMonitoring(on); }},
      {"Accessibility", &Permissions::hasAccessibility,
       [](PermissionState& s, bool on) { s.setAccessibilityTrusted(on); }},
      {"secure input", &Permissions::isSecureInputActive,
       [](PermissionState& s, bool on) { s.setSecureInput(on); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE((permissions.*c.query)()) << "nothing is granted or on at first";
    for (const bool on : {true, false, true}) {
      c.set(state(), on);
      EXPECT_EQ((permissions.*c.query)(), on);
    }
  }
}

TEST_F(PermissionsTest, RequestingInputMonitoringReturnsTheSystemsAnswer) {
  EXPECT_FALSE(permissions.requestInputMonitoring()) << "the user has to allow it in Settings";
  state().setListenRequestGrants(true);
  EXPECT_TRUE(permissions.requestInputMonitoring());
  EXPECT_EQ(state().listenRequestCount(), 2u);
  EXPECT_TRUE(permissions.hasInputMonitoring());
}

// Forwards to the virtual system and remembers the options of every trust query.
class RecordingAccessibility final : public platform::Accessibility {
 public:
  explicit RecordingAccessibility(std::shared_ptr<platform::Accessibility> inner)
      : inner(std::move(inner)) {}
  bool isProcessTrusted() override { return inner->isProcessTrusted(); }
  bool isProcessTrustedWithOptions(const std::map<std::string, bool>& options) override {
    optionsAsked.push_back(options);
    return inner->isProcessTrustedWithOptions(options);
  }
  bool isSecureEventInputEnabled() override { return inner->isSecureEventInputEnabled(); }

  std::shared_ptr<platform::Accessibility> inner;
  std::vector<std::map<std::string, bool>> optionsAsked;
};

TEST_F(PermissionsTest, PromptAsksOnceWithOnlyThePromptOption) {
  auto recorder = std::make_shared<RecordingAccessibility>(rig.services()->accessibility);
  const Permissions recorded(*rig.editedServices(
      [&](platform::Services& services) { services.accessibility = recorder; }));

  recorded.promptAccessibility();

  const std::map<std::string, bool> expected{{"AXTrustedCheckOptionPrompt", true}};
  EXPECT_THAT(recorder->optionsAsked, ::testing::ElementsAre(expected));
  EXPECT_EQ(rig.mac.accessibility().promptsShown(), 1u);
  EXPECT_FALSE(recorded.hasAccessibility()) << "the prompt itself grants nothing";
}

}  // namespace
}  // namespace kestravane
