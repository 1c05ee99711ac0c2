#include "Doctor/DoctorReport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "KestravaneKit/ConfigStore.h"
#include "Platform/Host/MemoryUserDefaults.h"
#include "Support/VirtualMacRig.h"

namespace kestravane::doctor {
namespace {

using platform::LoginItemStatus;
using platform::vmac::InputSourceDescription;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

class DoctorTest : public ::testing::Test {
 protected:
  platform::vmac::VirtualMac& mac() { return rig.mac; }
  Findings findings() { return examine(*mac().services(), "1.2.3", "virtual Mac"); }
  std::vector<std::string> report() { return reportLines(findings()); }

  testing_support::VirtualMacRig rig;
};

TEST_F(DoctorTest, FreshMacReportsEveryFindingInItsPlace) {
  EXPECT_THAT(report(), ElementsAre("plivex-doctor: 1.2.3", "backend: virtual Mac",
                                    "accessibility: not-granted", "input-monitoring: not-granted",
                                    "post-event-access: not-granted", "secure-input: off",
                                    "layouts: 2", "layout: com.apple.keylayout.US \"U.S.\" current",
                                    "layout: com.apple.keylayout.Russian \"Russian\"",
                                    "current-source: com.apple.keylayout.US", "globe-key: absent",
                                    "caps-lock-abc: absent", "login-item: not-registered",
                                    "settings: default",
                                    "blocking: accessibility, input-monitoring, globe-key(fn), "
                                    "caps-lock-abc(capsLock)"));
}

TEST_F(DoctorTest, ReadyMacHasNothingBlocking) {
  mac().grantAllPermissions();
  mac().preferences().setFnUsageType(0);
  mac().preferences().setRomanSwitchState(0);
  mac().loginItems().setStatus(LoginItemStatus::enabled);

  const auto lines = report();
  EXPECT_THAT(lines, Contains("accessibility: granted"));
  EXPECT_THAT(lines, Contains("input-monitoring: granted"));
  EXPECT_THAT(lines, Contains("globe-key: 0 do-nothing"));
  EXPECT_THAT(lines, Contains("caps-lock-abc: 0 off"));
  EXPECT_THAT(lines, Contains("login-item: enabled"));
  EXPECT_EQ(lines.back(), "blocking: none");
}

// Input Monitoring is what the system's preflight answers, and nothing else.
TEST_F(DoctorTest, InputMonitoringFollowsThePreflightAlone) {
  mac().preferences().setFnUsageType(0);
  mac().preferences().setRomanSwitchState(0);
  mac().permissions().setAccessibilityTrusted(true);
  EXPECT_THAT(blockers(findings()), ElementsAre("input-monitoring"));

  mac().permissions().setAccessibilityTrusted(false);
  mac().permissions().setInputMonitoring(true);
  EXPECT_THAT(blockers(findings()), ElementsAre("accessibility"));
}

// Trusted, yet the Accessibility entry names an older build: the active tap would be refused.
TEST_F(DoctorTest, AStaleAccessibilityEntryIsNamedByItsPostEventAccess) {
  mac().grantAllPermissions();
  mac().preferences().setFnUsageType(0);
  mac().preferences().setRomanSwitchState(0);
  mac().permissions().setPostAccessStale(true);
  EXPECT_THAT(report(), Contains("post-event-access: not-granted"));
  EXPECT_THAT(blockers(findings()), ElementsAre("post-event-access"));
}

// The doctor must never make the system prompt or list it: it creates no tap (asking for one
// puts the asking program on the Input Monitoring list, granted or not) and asks for nothing.
TEST_F(DoctorTest, ExaminingCreatesNoTapPromptsForNothingAndChangesNothing) {
  for (const bool granted : {false, true}) {
    SCOPED_TRACE(granted ? "permissions granted" : "nothing granted");
    if (granted) mac().grantAllPermissions();
    mac().preferences().setFnUsageType(2);
    auto& defaults = dynamic_cast<platform::host::MemoryUserDefaults&>(mac().userDefaults());

    EXPECT_EQ(findings().inputMonitoring, granted);

    EXPECT_EQ(mac().eventTaps().tapCreateCount(), 0u);
    EXPECT_FALSE(mac().permissions().listedForInputMonitoring());
    EXPECT_THAT(mac().windowServer().liveTaps(), IsEmpty());
    EXPECT_THAT(mac().workspace().openedURLs(), IsEmpty());
    EXPECT_EQ(mac().accessibility().promptsShown(), 0u);
    EXPECT_THAT(mac().accessibility().trustQueries(), IsEmpty());
    EXPECT_EQ(mac().permissions().listenRequestCount(), 0u);
    EXPECT_EQ(mac().loginItems().registerCallCount(), 0);
    EXPECT_EQ(mac().loginItems().unregisterCallCount(), 0);
    EXPECT_TRUE(defaults.values().empty());
    EXPECT_EQ(mac().inputSources().currentSourceID(), "com.apple.keylayout.US");
    EXPECT_EQ(mac().preferences().storedValue(platform::vmac::kHIToolboxDomain,
                                              platform::vmac::kFnUsageTypeKey),
              platform::PropertyValue(std::int64_t{2}));
    EXPECT_EQ(mac().hidSystem().setCount(), 0u);
    EXPECT_EQ(mac().application().activationCount(), 0);
    EXPECT_THAT(mac().log().messages(), IsEmpty());
  }
}

TEST_F(DoctorTest, LayoutTextFromTheSystemStaysOnItsLine) {
  const std::string layout{platform::kTISTypeKeyboardLayout};
  mac().inputSources().setSources({
      {"com.example.keylayout.Quote", "Say \"hi\"\\now", layout, true, true},
      {"com.example.keylayout.Two\nLines", "Tab\there\x01", layout, true, true},
  });
  mac().inputSources().setCurrentSource("com.example.keylayout.Two\nLines");

  EXPECT_THAT(report(),
              ::testing::IsSupersetOf(
                  {"layout: com.example.keylayout.Quote \"Say \\\"hi\\\"\\\\now\"",
                   "layout: com.example.keylayout.Two\\nLines \"Tab\\there\\x01\" current",
                   "current-source: com.example.keylayout.Two\\nLines"}));
}

// An input mode may be current; it is never part of the cycle, so no layout is marked.
TEST_F(DoctorTest, CurrentInputModeIsNamedButNoLayoutIsMarked) {
  mac().inputSources().setCurrentSource("com.apple.inputmethod.Kotoeri.RomajiTyping.Japanese");

  const auto lines = report();
  EXPECT_THAT(lines,
              Contains("current-source: com.apple.inputmethod.Kotoeri.RomajiTyping.Japanese"));
  for (const auto& line : lines) EXPECT_FALSE(line.ends_with(" current")) << line;
}

TEST_F(DoctorTest, NoListFromTheSystemMeansNoLayouts) {
  mac().inputSources().setListFails(true);
  mac().inputSources().clearCurrentSource();

  const auto lines = report();
  EXPECT_THAT(lines, Contains("layouts: 0"));
  EXPECT_THAT(lines, Contains("current-source: none"));
  EXPECT_THAT(blockers(findings()), Contains("layouts"));
}

TEST_F(DoctorTest, GlobeKeyWords) {
  mac().preferences().setFnUsageType(3);
  EXPECT_THAT(report(), Contains("globe-key: 3 occupied"));
  // A value Plivex cannot read as an integer counts as absent, as in the application.
  mac().preferences().writeFromOtherProcess(platform::vmac::kHIToolboxDomain,
                                            platform::vmac::kFnUsageTypeKey, std::string("0"));
  EXPECT_THAT(report(), Contains("globe-key: absent"));
  EXPECT_THAT(blockers(findings()), Contains("globe-key(fn)"));
}

// The option macOS ships with on: only a stored zero frees Caps Lock for the Caps Lock trigger.
TEST_F(DoctorTest, CapsLockSwitchingWords) {
  const std::vector<std::pair<std::optional<std::int64_t>, std::string>> cases = {
      {std::nullopt, "caps-lock-abc: absent"},
      {1, "caps-lock-abc: 1 on"},
      {0, "caps-lock-abc: 0 off"},
  };
  for (const auto& [state, line] : cases) {
    mac().preferences().setRomanSwitchState(state);
    EXPECT_THAT(report(), Contains(line));
    EXPECT_EQ(::testing::Value(blockers(findings()), Contains("caps-lock-abc(capsLock)")),
              state != 0)
        << line;
  }
}

TEST_F(DoctorTest, LoginItemWordPerStatus) {
  const std::vector<std::pair<LoginItemStatus, std::string>> cases = {
      {LoginItemStatus::notRegistered, "login-item: not-registered"},
      {LoginItemStatus::enabled, "login-item: enabled"},
      {LoginItemStatus::requiresApproval, "login-item: requires-approval"},
      {LoginItemStatus::notFound, "login-item: not-found"},
  };
  for (const auto& [status, line] : cases) {
    mac().loginItems().setStatus(status);
    EXPECT_THAT(report(), Contains(line));
  }
}

TEST_F(DoctorTest, SecureInputStopsSwitching) {
  mac().grantAllPermissions();
  mac().preferences().setFnUsageType(0);
  mac().preferences().setRomanSwitchState(0);
  mac().permissions().setSecureInput(true);

  EXPECT_THAT(report(), Contains("secure-input: on"));
  EXPECT_THAT(blockers(findings()), ElementsAre("secure-input"));
}

// What is stored under the record's key, and how the report names it.
TEST_F(DoctorTest, StoredSettingsWords) {
  const auto blob = [](std::string_view text) { return platform::Data(text.begin(), text.end()); };
  const std::string key(ConfigStore::key);
  struct Case {
    const char* name;
    std::optional<platform::PropertyValue> stored;
    const char* line;
  };
  const std::vector<Case> cases{
      {"nothing", std::nullopt, "settings: default"},
      {"a record", blob(R"({"trigger":"capsLock","language":"ru"})"), "settings: stored"},
      {"not JSON", blob("trigger=capsLock"),
       "settings: unusable \"The given data was not valid JSON.\""},
      {"an unknown trigger", blob(R"({"trigger":"leftShift"})"),
       "settings: unusable \"trigger: Cannot initialize TriggerKind from invalid String value "
       "leftShift\""},
      {"not a data blob", std::string("capsLock"), "settings: unusable \"it is not a data blob\""},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    mac().userDefaults().removeObject(key);
    if (test.stored) mac().userDefaults().setObject(*test.stored, key);
    EXPECT_THAT(report(), Contains(test.line));
  }
}

TEST(DoctorEscapeTest, KeepsTextButNotLineBreaks) {
  EXPECT_EQ(escaped("Русская – ПК"), "Русская – ПК");
  EXPECT_EQ(escaped("a\"b\\c"), "a\\\"b\\\\c");
  EXPECT_EQ(escaped("one\ntwo\rthree\x7F"), "one\\ntwo\\x0Dthree\\x7F");
  EXPECT_THAT(escaped(std::string("nul\0byte", 8)),
              Not(::testing::HasSubstr(std::string(1, '\0'))));
}

}  // namespace
}  // namespace kestravane::doctor
