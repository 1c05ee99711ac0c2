// Start-up, the periodic check and the onboarding window.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "Kestravane/AppTestSupport.h"

namespace kestravane {
namespace {

using testing_support::AppTest;
using testing_support::kRussian;
using testing_support::kUS;

using platform::vmac::VirtualMac;

// Nothing missing but what a case takes away: both permissions, the Globe and Caps Lock keys
// free, U.S. and Russian enabled, and the given trigger stored.
void ready(VirtualMac& mac, TriggerKind trigger) {
  mac.grantAllPermissions();
  mac.preferences().setFnUsageType(0);
  mac.preferences().setRomanSwitchState(0);
  ConfigStore(*mac.services()).save(PlivexConfig(trigger, AppLanguage::en, false));
}

struct StartUpCase {
  std::string name;
  std::function<void(VirtualMac&)> arrange;
  EngineHealth health;
  bool running;
  bool onboarding;
  std::size_t failures;
};

void PrintTo(const StartUpCase& c, std::ostream* out) {
  *out << c.name;
}

class StartUpTest : public AppTest, public testing::WithParamInterface<StartUpCase> {};

TEST_P(StartUpTest, PublishesTheHealthStartsTheEngineAndOffersOnboardingAfterStartUp) {
  const StartUpCase& c = GetParam();
  c.arrange(mac);
  launch();

  EXPECT_EQ(controller->health(), c.health);
  EXPECT_EQ(controller->isRunning(), c.running);
  EXPECT_EQ(activeTaps(), c.running ? 1U : 0U);
  EXPECT_EQ(startFailures(), c.failures);
  // The onboarding check runs only after start-up has returned.
  EXPECT_TRUE(host->windows().empty());
  runPending();
  EXPECT_EQ(host->windows().size(), c.onboarding ? 1U : 0U);
  EXPECT_EQ(controller->hasOnboardingWindow(), c.onboarding);
}

INSTANTIATE_TEST_SUITE_P(
    AppController, StartUpTest,
    testing::Values(StartUpCase{"FirstLaunchWithoutAnyPermission", [](VirtualMac&) {},
                                EngineHealth::noAccessibility, false, true, 0},
                    StartUpCase{"InputMonitoringMissing",
                                [](VirtualMac& mac) {
                                  mac.permissions().setAccessibilityTrusted(true);
                                  mac.preferences().setRomanSwitchState(0);
                                  ConfigStore(*mac.services())
                                      .save(PlivexConfig(TriggerKind::capsLock, AppLanguage::en,
                                                         false));
                                },
                                EngineHealth::tapDisabled, false, false, 1},
                    StartUpCase{"OneLayout",
                                [](VirtualMac& mac) {
                                  ready(mac, TriggerKind::capsLock);
                                  mac.inputSources().setEnabled(kRussian, false);
                                },
                                EngineHealth::needsLayouts, false, true, 0},
                    StartUpCase{"FnWithGlobePreferenceAbsent",
                                [](VirtualMac& mac) {
                                  ready(mac, TriggerKind::fn);
                                  mac.preferences().setFnUsageType(std::nullopt);
                                },
                                EngineHealth::globeNotFree, false, true, 0},
                    StartUpCase{"FnWithGlobeShowingEmoji",
                                [](VirtualMac& mac) {
                                  ready(mac, TriggerKind::fn);
                                  mac.preferences().setFnUsageType(2);
                                },
                                EngineHealth::globeNotFree, false, true, 0},
                    StartUpCase{"CapsLockIgnoresTheGlobeKey",
                                [](VirtualMac& mac) {
                                  ready(mac, TriggerKind::capsLock);
                                  mac.preferences().setFnUsageType(2);
                                },
                                EngineHealth::active, true, false, 0},
                    StartUpCase{"CapsLockWithTheSystemsSwitchingAbsent",
                                [](VirtualMac& mac) {
                                  ready(mac, TriggerKind::capsLock);
                                  mac.preferences().setRomanSwitchState(std::nullopt);
                                },
                                EngineHealth::capsLockNotFree, false, true, 0},
                    StartUpCase{"CapsLockWithTheSystemsSwitchingOn",
                                [](VirtualMac& mac) {
                                  ready(mac, TriggerKind::capsLock);
                                  mac.preferences().setRomanSwitchState(1);
                                },
                                EngineHealth::capsLockNotFree, false, true, 0},
                    StartUpCase{"FnIgnoresTheSystemsCapsLockSwitching",
                                [](VirtualMac& mac) {
                                  ready(mac, TriggerKind::fn);
                                  mac.preferences().setRomanSwitchState(1);
                                },
                                EngineHealth::active, true, false, 0},
                    StartUpCase{"FnWithGlobeFree",
                                [](VirtualMac& mac) { ready(mac, TriggerKind::fn); },
                                EngineHealth::active, true, false, 0},
                    StartUpCase{"SecureInputOn",
                                [](VirtualMac& mac) {
                                  ready(mac, TriggerKind::rightCommand);
                                  mac.permissions().setSecureInput(true);
                                },
                                EngineHealth::secureInput, true, false, 0}),
    [](const testing::TestParamInfo<StartUpCase>& info) { return info.param.name; });

TEST_F(AppTest, StartUpLoadsTheStoredConfigurationAndListsTheLayouts) {
  readyMac();
  storeConfig(TriggerKind::rightCommand, true);
  launch();
  EXPECT_EQ(controller->config(), PlivexConfig(TriggerKind::rightCommand, AppLanguage::en, true));
  EXPECT_EQ(controller->layouts(), (std::vector<std::string>{kUS, kRussian}));
  EXPECT_TRUE(controller->globeFree());
  EXPECT_TRUE(controller->userEnabled());
  EXPECT_EQ(controller->lastSwitch(), "—");
  EXPECT_FALSE(controller->isTesting());
  EXPECT_EQ(controller->lastTestedKey(), "");
}

TEST_F(AppTest, AFailingStartIsLoggedAtStartUpAndAgainAtEveryCheck) {
  mac.permissions().setAccessibilityTrusted(true);
  mac.preferences().setRomanSwitchState(0);
  storeConfig(TriggerKind::capsLock);
  launch();
  runPending();
  EXPECT_EQ(startFailures(), 1U);

  advance(2.9);
  EXPECT_EQ(startFailures(), 1U) << "the first check comes 3 seconds after start-up";
  advance(0.1);
  EXPECT_EQ(startFailures(), 2U);
  advance(3);
  EXPECT_EQ(startFailures(), 3U);
  EXPECT_EQ(mac.log().messages().back(),
            std::string(logline::kAppStartEngineFailed) + "noInputMonitoring");
  EXPECT_FALSE(controller->isRunning());
  EXPECT_EQ(controller->health(), EngineHealth::tapDisabled);
  EXPECT_TRUE(host->windows().empty());

  // Once the user allows Input Monitoring, the next check starts the engine.
  mac.permissions().setInputMonitoring(true);
  advance(3);
  EXPECT_TRUE(controller->isRunning());
  EXPECT_EQ(controller->health(), EngineHealth::active);
  EXPECT_EQ(startFailures(), 3U);
}

// The system announces each change of the enabled input sources: the controller follows it at
// once, with no window open and before any check.
TEST_F(AppTest, ALayoutEnabledOrDisabledInTheSystemIsFollowedAtOnce) {
  launchWithoutASecondLayout();
  ASSERT_EQ(controller->health(), EngineHealth::needsLayouts);
  runPending();
  host->windows().front()->close();  // its own timer would re-list the layouts

  mac.inputSources().setEnabled(kRussian, true);
  runPending();
  EXPECT_EQ(controller->layouts(), (std::vector<std::string>{kUS, kRussian}));
  EXPECT_TRUE(controller->isRunning());
  EXPECT_EQ(controller->health(), EngineHealth::active);

  mac.inputSources().setEnabled(kRussian, false);
  runPending();
  EXPECT_EQ(controller->layouts(), std::vector<std::string>{kUS});
  EXPECT_FALSE(controller->isRunning());
  EXPECT_EQ(controller->health(), EngineHealth::needsLayouts);
}

TEST_F(AppTest, TheCheckRereadsTheGlobeKeyAndStartsOrStopsTheEngine) {
  readyMac();
  mac.preferences().setFnUsageType(std::nullopt);
  launch();
  ASSERT_FALSE(controller->globeFree());

  mac.preferences().setFnUsageType(0);
  advance(3);
  EXPECT_TRUE(controller->globeFree());
  EXPECT_TRUE(controller->isRunning());
  EXPECT_EQ(activeTaps(), 1U);

  mac.preferences().setFnUsageType(1);
  advance(3);
  EXPECT_FALSE(controller->globeFree());
  EXPECT_FALSE(controller->isRunning());
  EXPECT_EQ(controller->health(), EngineHealth::globeNotFree);
  EXPECT_EQ(activeTaps(), 0U);
}

TEST_F(AppTest, TheCheckRereadsTheCapsLockKeyAndStartsOrStopsTheEngine) {
  readyMac();
  storeConfig(TriggerKind::capsLock);
  mac.preferences().setRomanSwitchState(std::nullopt);
  launch();
  ASSERT_FALSE(controller->capsLockFree());
  EXPECT_EQ(controller->health(), EngineHealth::capsLockNotFree);

  mac.preferences().setRomanSwitchState(0);  // the user turns the option off in System Settings
  advance(3);
  EXPECT_TRUE(controller->capsLockFree());
  EXPECT_TRUE(controller->isRunning());
  EXPECT_EQ(controller->health(), EngineHealth::active);

  mac.preferences().setRomanSwitchState(1);
  advance(3);
  EXPECT_FALSE(controller->isRunning());
  EXPECT_EQ(controller->health(), EngineHealth::capsLockNotFree);
  EXPECT_EQ(activeTaps(), 0U);
}

// With the Caps Lock trigger, two taps switch U.S. → Russian → U.S., and the lock that each press
// turned on below the tap is off again at once: "a" types "ф" and then "a", never a capital.
TEST_F(AppTest, CapsLockTapsSwitchAndLeaveNoCapitals) {
  readyMac();
  storeConfig(TriggerKind::capsLock);
  launch();
  runPending();
  ASSERT_TRUE(controller->isRunning());
  ASSERT_TRUE(waitForTapThreads());

  for (const char* expected : {"ф", "a"}) {
    mac.keyboard().tap(platform::vmac::keycode::capsLock);
    ASSERT_TRUE(pumpUntil([&] { return !mac.keyboard().capsLockOn(); }));
    mac.foregroundText().clear();
    mac.keyboard().tap(platform::vmac::keycode::a);
    EXPECT_EQ(mac.foregroundText().text(), expected);
  }
  EXPECT_EQ(mac.inputSources().currentSourceID(), kUS);
}

TEST_F(AppTest, TheCheckStopsTheEngineWhenAccessibilityIsRevokedAndShowsSecureInput) {
  readyMac();
  launch();
  mac.permissions().setSecureInput(true);
  advance(3);
  EXPECT_EQ(controller->health(), EngineHealth::secureInput);
  EXPECT_TRUE(controller->isRunning()) << "secure input does not stop the engine";

  mac.permissions().setAccessibilityTrusted(false);
  advance(3);
  EXPECT_EQ(controller->health(), EngineHealth::noAccessibility);
  EXPECT_FALSE(controller->isRunning());
  EXPECT_EQ(activeTaps(), 0U);
}

TEST_F(AppTest, TheOnboardingWindowIsAskedForWithItsKindAndBroughtToTheFront) {
  launch();
  runPending();
  ASSERT_EQ(host->windows().size(), 1U);
  const auto& window = *host->windows().front();
  EXPECT_EQ(window.style, WindowStyle::onboarding());
  EXPECT_EQ(window.style.title, "Plivex");
  EXPECT_EQ(window.style.styleMask(), 3U);
  EXPECT_FALSE(window.style.releasedWhenClosed);
  EXPECT_TRUE(window.style.centred);
  EXPECT_TRUE(window.isKeyAndFront());
  EXPECT_EQ(mac.application().activationCount(), 1);
  EXPECT_EQ(window.content.controller.lock(), controller);
}

// Accessibility granted in System Settings is announced to nobody: only a check finds it.
TEST_F(AppTest, WhileTheOnboardingWindowIsOpenItReconcilesEveryOneAndAHalfSeconds) {
  launchWithoutAccessibility();
  runPending();
  ASSERT_TRUE(controller->hasOnboardingWindow());

  mac.permissions().setAccessibilityTrusted(true);
  advance(1.4);
  EXPECT_FALSE(controller->isRunning());
  advance(0.1);
  EXPECT_TRUE(controller->isRunning());
  EXPECT_EQ(controller->health(), EngineHealth::active);
  EXPECT_TRUE(controller->hasOnboardingWindow()) << "the user closes it";
}

TEST_F(AppTest, ClosingTheOnboardingWindowForgetsItEndsItsTimerAndItIsNotOfferedAgain) {
  launchWithoutAccessibility();
  runPending();
  ASSERT_TRUE(controller->hasOnboardingWindow());
  const std::size_t waitingWithWindow = mac.dispatch().waitingCount();

  host->windows().front()->close();
  EXPECT_FALSE(controller->hasOnboardingWindow());
  EXPECT_EQ(mac.dispatch().waitingCount(), waitingWithWindow - 1) << "the tick timer is gone";

  mac.permissions().setAccessibilityTrusted(true);
  advance(2.9);
  EXPECT_FALSE(controller->isRunning()) << "no tick reconciles any more";

  controller->presentOnboardingIfNeeded();
  EXPECT_EQ(host->windows().size(), 1U);
  EXPECT_FALSE(controller->hasOnboardingWindow());
}

TEST_F(AppTest, TheContentsCloseActionClosesTheWindowTheSameWay) {
  launch();
  runPending();
  ASSERT_EQ(host->windows().size(), 1U);
  const auto window = host->windows().front();
  window->content.onClose();
  EXPECT_FALSE(window->isOpen());
  EXPECT_FALSE(controller->hasOnboardingWindow());
  window->content.onClose();  // nothing left to close
  EXPECT_FALSE(window->isOpen());
}

TEST_F(AppTest, TheOnboardingCheckDoesNothingWhenTheControllerIsGoneBeforeItRuns) {
  launch();
  controller.reset();
  runPending();
  EXPECT_TRUE(host->windows().empty());
}

TEST_F(AppTest, DestructionCancelsTheCheckTheWakeObserverAndTheOnboardingTimer) {
  launchWithoutASecondLayout();
  runPending();
  ASSERT_TRUE(controller->hasOnboardingWindow());
  ASSERT_EQ(mac.workspace().wakeObserverCount(), 1U);

  controller.reset();
  EXPECT_EQ(mac.workspace().wakeObserverCount(), 0U);
  runPending();
  EXPECT_EQ(mac.dispatch().waitingCount(), 0U);
  host->windows().front()->close();  // the delegate is gone with the controller
}

// The child's side of the test below: builds its own virtual Mac, takes shared() twice and
// exits with 0 only when both are one controller that has gone through its start-up.
[[noreturn]] void takeSharedAndExit() {
  VirtualMac mac;
  mac.install();
  const auto first = AppController::shared();
  const bool same = AppController::shared() == first;
  // Start-up ran: health and layouts published, the wake observer in place, and the onboarding
  // check posted (nothing is granted, so it opens the window).
  mac.dispatch().runPending();
  const bool startedUp = first->health() == EngineHealth::noAccessibility &&
                         first->layouts() == std::vector<std::string>{kUS, kRussian} &&
                         mac.workspace().wakeObserverCount() == 1U && first->hasOnboardingWindow();
  std::fprintf(stderr, "same=%d startedUp=%d\n", same, startedUp);
  std::exit(same && startedUp ? 0 : 1);
}

// shared() makes a controller that is never destroyed, tied to the virtual Mac of its first
// caller: it is tried in a child process, so nothing of it reaches the other tests.
TEST(AppControllerSharedDeathTest, SharedIsCreatedOnFirstAccessAndStaysTheSame) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(takeSharedAndExit(), testing::ExitedWithCode(0), "same=1 startedUp=1");
}

}  // namespace
}  // namespace kestravane
