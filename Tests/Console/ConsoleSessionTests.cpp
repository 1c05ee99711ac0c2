// The text console drives the real program on the virtual Mac: what a user types there must reach
// the system model and the controller, and what the program shows must come back.
#include "Console/ConsoleSession.h"

#include <gmock/gmock.h>

#include <sstream>
#include <string>
#include <vector>

#include "Kestravane/AppTestSupport.h"
#include "Platform/Host/DefaultsLogLines.h"

namespace kestravane::testing_support {
namespace {

using ::testing::HasSubstr;

class ConsoleSessionTest : public AppTest {
 protected:
  std::string run(std::string_view line) {
    out.str("");
    EXPECT_TRUE(session->execute(line));
    return out.str();
  }

  void start(bool verbose = false) {
    if (!controller) launch();
    session = std::make_unique<console::ConsoleSession>(
        mac, controller, out, [this](std::string_view text) { notices.emplace_back(text); },
        verbose);
  }

  std::size_t noticesContaining(std::string_view text) const {
    return static_cast<std::size_t>(std::count_if(
        notices.begin(), notices.end(),
        [text](const std::string& notice) { return notice.find(text) != std::string::npos; }));
  }

  std::ostringstream out;
  std::vector<std::string> notices;
  std::unique_ptr<console::ConsoleSession> session;
};

TEST_F(ConsoleSessionTest, SettingUpTheMacAndTappingFnSwitchesTheLayout) {
  start();
  EXPECT_NE(run("status").find("Needs Accessibility"), std::string::npos);

  run("grant all");
  run("globe free");
  const std::string status = run("status");  // opening the menu reconciles
  EXPECT_NE(status.find("Layouts: U.S. → Russian"), std::string::npos) << status;
  ASSERT_TRUE(controller->isRunning());

  run("tap fn");
  ASSERT_TRUE(pumpUntil([&] { return controller->lastSwitch() != "—"; }));
  EXPECT_EQ(controller->lastSwitch(), std::string(kRussian) + " ok=true");
  EXPECT_EQ(mac.inputSources().currentSourceID(), kRussian);
  EXPECT_TRUE(pumpUntil([&] { return noticesContaining("[switch] ") == 1; }));
}

// A Mac ships with Caps Lock switching to and from ABC: the status says so and names the command
// that frees the key; once free, a tap switches and leaves no capitals on.
TEST_F(ConsoleSessionTest, TheCapsLockTriggerNeedsTheSystemsSwitchingOff) {
  readyMac();
  mac.preferences().setRomanSwitchState(std::nullopt);
  start();
  run("trigger capsLock");
  const std::string status = run("status");
  EXPECT_THAT(status, HasSubstr("🟠 Caps Lock occupied\n"));
  EXPECT_THAT(status, HasSubstr("Free Caps Lock (ABC switching → Off)   (capslock free)\n"));

  EXPECT_EQ(run("capslock free"), "caps lock key: free\n");
  EXPECT_THAT(run("status"), HasSubstr("🟢 Active"));
  run("tap capsLock");
  ASSERT_TRUE(pumpUntil([&] { return controller->lastSwitch() != "—"; }));
  EXPECT_EQ(mac.inputSources().currentSourceID(), kRussian);
  EXPECT_TRUE(pumpUntil([&] { return !mac.keyboard().capsLockOn(); }));
}

TEST_F(ConsoleSessionTest, SettingsCommandsGoThroughTheControllerAndBadInputIsExplained) {
  readyMac();
  start();
  run("trigger capsLock");
  run("language ru");
  EXPECT_EQ(controller->config(), PlivexConfig(TriggerKind::capsLock, AppLanguage::ru, false));
  EXPECT_EQ(ConfigStore(*services()).load(), controller->config());
  EXPECT_NE(run("status").find("Триггер: Caps Lock"), std::string::npos);

  EXPECT_NE(run("tap nosuchkey").find("unknown key: nosuchkey"), std::string::npos);
  EXPECT_NE(run("frobnicate").find("unknown command"), std::string::npos);
  for (const char* hold : {"hold fn abc", "hold fn -5", "hold fn 99999999999", "hold fn", "hold"}) {
    EXPECT_NE(run(hold).find("hold <key> <milliseconds"), std::string::npos) << hold;
  }
  EXPECT_EQ(controller->config().trigger, TriggerKind::capsLock);

  EXPECT_FALSE(session->execute("quit"));
}

// Arguments a command does not take get its usage and change nothing: before, "login yes" and
// "secure maybe" meant off, "keytest foo" meant start.
TEST_F(ConsoleSessionTest, UnknownArgumentsGetTheUsageAndChangeNothing) {
  readyMac();
  start();
  run("login on");
  run("secure on");
  // Every trigger of the table, by its stored name, in the table's order.
  std::string triggerUsage = "trigger";
  for (const auto& key : kTriggerKeys) {
    triggerUsage += (&key == kTriggerKeys.data() ? " " : "|") + std::string(key.rawValue);
  }
  EXPECT_TRUE(triggerUsage.starts_with("trigger fn|capsLock|rightCommand")) << triggerUsage;
  const std::vector<std::pair<const char*, std::string>> cases{
      {"login yes", "login on|off"},
      {"login", "login on|off"},
      {"login on off", "login on|off"},
      {"secure maybe", "secure on|off"},
      {"secure", "secure on|off"},
      {"keytest foo", "keytest start|stop"},
      {"keytest", "keytest start|stop"},
      {"trigger caps", triggerUsage},
      {"trigger", triggerUsage},
      {"language de", "language en|ru|system"},
      {"globe nope", "globe free|occupied|absent"},
      {"capslock on", "capslock free|occupied|absent"},
      {"grant everything", "grant|revoke accessibility|input|all"},
      {"onboarding open", "onboarding [close]"},
      {"tap", "tap <key>"},
  };
  for (const auto& [line, usage] : cases) {
    EXPECT_EQ(run(line), usage + "\n") << line;
  }
  EXPECT_EQ(controller->launchAtLogin().status(), platform::LoginItemStatus::enabled);
  EXPECT_TRUE(mac.permissions().secureInput());
  EXPECT_FALSE(controller->isTesting());
  EXPECT_EQ(controller->config(), PlivexConfig(TriggerKind::fn, AppLanguage::en, true));
}

TEST_F(ConsoleSessionTest, TriggerNamesAreTakenInTheKeyTablesSpellingInAnyCase) {
  readyMac();
  start();
  const std::vector<std::pair<const char*, TriggerKind>> names{
      {"capsLock", TriggerKind::capsLock},         {"capslock", TriggerKind::capsLock},
      {"CapsLock", TriggerKind::capsLock},         {"CAPSLOCK", TriggerKind::capsLock},
      {"rightcommand", TriggerKind::rightCommand}, {"RightCommand", TriggerKind::rightCommand},
      {"rcmd", TriggerKind::rightCommand},         {"FN", TriggerKind::fn},
  };
  for (const auto& [name, trigger] : names) {
    run(std::string("trigger ") + name);
    EXPECT_EQ(controller->config().trigger, trigger) << name;
  }
}

TEST_F(ConsoleSessionTest, ChangesAreConfirmedInOneLineAndStatusShowsTheLoginItem) {
  readyMac();
  start();
  EXPECT_EQ(run("login on"), "login item: enabled\n");
  mac.loginItems().setRequiresApproval(true);
  run("login off");
  EXPECT_EQ(run("login on"), "login item: requires approval\n");
  EXPECT_EQ(run("trigger rightcommand"), "trigger: Right ⌘\n");
  EXPECT_EQ(run("language system"), "language: system\n");
  EXPECT_EQ(run("secure on"), "secure input: on\n");
  EXPECT_EQ(run("globe occupied"), "globe key: occupied\n");
  EXPECT_EQ(run("capslock absent"), "caps lock key: absent\n");
  EXPECT_EQ(run("revoke input"), "accessibility: granted, input monitoring: not granted\n");
  EXPECT_THAT(run("status"), HasSubstr("\nlogin item: requires approval\n"));

  run("grant all");
  EXPECT_EQ(run("keytest start"), "key test started: press keys; readouts follow\n");
  EXPECT_EQ(run("keytest stop"), "key test stopped\n");
  mac.permissions().setAccessibilityTrusted(false);
  EXPECT_EQ(run("keytest start"), "key test could not start (it needs Accessibility)\n");
}

TEST_F(ConsoleSessionTest, KeyTestReadoutsAppearAsTheyArrive) {
  readyMac();
  start();
  run("keytest start");
  mac.keyboard().tap(platform::vmac::keycode::s);  // not typed at the console: it just arrives
  ASSERT_TRUE(pumpUntil([&] { return noticesContaining("[key test] keyCode 1 ") == 1; }))
      << ::testing::PrintToString(notices);
  mac.keyboard().press(platform::vmac::keycode::shift);
  EXPECT_TRUE(pumpUntil([&] { return noticesContaining("[key test] keyCode 56 ") == 1; }));
}

// Input Monitoring missing: each re-check tries the engine and logs its failure. The onboarding
// is shown once, again only when a step changes, and closing it ends its 1.5 s re-check.
TEST_F(ConsoleSessionTest, TheOnboardingIsShownOnceAndClosingItEndsItsRecheck) {
  mac.permissions().setAccessibilityTrusted(true);
  mac.preferences().setFnUsageType(1);  // the Globe key still has its system function
  start();
  runPending();
  ASSERT_TRUE(controller->hasOnboardingWindow());
  ASSERT_EQ(noticesContaining("[onboarding]"), 1u);
  EXPECT_THAT(notices.back(), HasSubstr("○ Free the Globe key"));
  advance(4.5);
  EXPECT_EQ(noticesContaining("[onboarding]"), 1u) << "nothing changed: not shown again";

  run("globe free");
  advance(1.5);  // the next re-check sees it
  ASSERT_EQ(noticesContaining("[onboarding]"), 2u);
  EXPECT_THAT(notices.back(), HasSubstr("✓ Free the Globe key"));
  const std::size_t before = startFailures();
  advance(6);
  const std::size_t whileOpen = startFailures() - before;

  EXPECT_EQ(run("onboarding close"), "onboarding closed\n");
  EXPECT_FALSE(controller->hasOnboardingWindow());
  const std::size_t afterClose = startFailures();
  advance(6);
  EXPECT_EQ(startFailures() - afterClose, 2u) << "only the 3 s check is left";
  EXPECT_GT(whileOpen, 2u);
  EXPECT_EQ(run("onboarding close"), "the onboarding is not open\n");
  EXPECT_EQ(noticesContaining("[onboarding]"), 2u);
}

TEST_F(ConsoleSessionTest, LogLinesAreNoticesOnlyWhenVerboseButTheSettingsFilesAlways) {
  start();
  const std::string settings =
      std::string(platform::host::defaultsline::kCannotSave) + "/x/defaults.json: y";
  mac.log().log("Plivex[app] quiet unless verbose");
  mac.log().log(settings);
  session->showNewLogLines();
  EXPECT_THAT(notices, ::testing::ElementsAre(settings));
  EXPECT_THAT(run("log"), HasSubstr("Plivex[app] quiet unless verbose\n" + settings + "\n"))
      << "the log view has them all";

  notices.clear();
  start(/*verbose=*/true);  // a new session starts with what was logged before it
  mac.log().log("Plivex[app] shown when verbose");
  session->showNewLogLines();
  EXPECT_THAT(notices, ::testing::Contains("Plivex[app] shown when verbose"));
  EXPECT_THAT(notices, ::testing::Contains("Plivex[app] quiet unless verbose"));
}

TEST_F(ConsoleSessionTest, QuittingStopsTheEngineAndTheKeyTesterAndEndsTheirThreads) {
  readyMac();
  start();
  ASSERT_TRUE(controller->isRunning());
  run("keytest start");
  ASSERT_FALSE(threads.liveThreads().empty());
  EXPECT_TRUE(session->shutDown(kDefaultWait));
  EXPECT_TRUE(threads.liveThreads().empty());
  EXPECT_FALSE(controller->isRunning());
  EXPECT_FALSE(controller->isTesting());
}

}  // namespace
}  // namespace kestravane::testing_support
