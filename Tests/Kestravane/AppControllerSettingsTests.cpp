// The settings window's save, the login item and opening System Settings panes.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Kestravane/AppTestSupport.h"
#include "Platform/Host/MemoryUserDefaults.h"

namespace kestravane {
namespace {

using platform::LoginItemStatus;
using testing_support::AppTest;
using testing_support::kRussian;

class SettingsTest : public AppTest {
 protected:
  void SetUp() override {
    readyMac();
    storeConfig(TriggerKind::capsLock);
    launch();
    runPending();
    ASSERT_TRUE(controller->isRunning());
  }
};

TEST_F(SettingsTest, ApplyStoresTriggerThenLanguageAndRebuildsTheEngineForTheNewTrigger) {
  std::vector<PlivexConfig> seen;
  auto subscription = controller->subscribe([&] { seen.push_back(controller->config()); });

  controller->apply({TriggerKind::rightCommand, AppLanguage::ru, false});
  const PlivexConfig expected(TriggerKind::rightCommand, AppLanguage::ru, false);
  EXPECT_EQ(controller->config(), expected);
  EXPECT_EQ(ConfigStore(*services()).load(), expected);
  ASSERT_GE(seen.size(), 2U);
  // Observers are told after each change: the trigger first, then the language.
  EXPECT_EQ(seen[0], PlivexConfig(TriggerKind::rightCommand, AppLanguage::en, false));
  EXPECT_EQ(seen[1], expected);
  EXPECT_EQ(tapsCreated(), 2U);
  EXPECT_EQ(activeTaps(), 1U);

  // The new engine listens to right Command, not Caps Lock.
  ASSERT_TRUE(waitForTapThreads());
  mac.keyboard().press(platform::vmac::keycode::rightCommand);
  mac.clock().advanceMillis(50);
  mac.keyboard().release(platform::vmac::keycode::rightCommand);
  ASSERT_TRUE(pumpUntil([&] { return controller->lastSwitch() != "—"; }));
  EXPECT_EQ(mac.inputSources().currentSourceID(), kRussian);
}

TEST_F(SettingsTest, ApplyWithTheSameSettingsStillRebuildsTheEngine) {
  controller->apply({TriggerKind::capsLock, AppLanguage::en, false});
  EXPECT_EQ(tapsCreated(), 2U);
  EXPECT_TRUE(controller->isRunning());
  EXPECT_EQ(activeTaps(), 1U);
}

TEST_F(SettingsTest, ApplyWhileSwitchedOffStopsInsteadOfStarting) {
  controller->toggleEnabled();
  controller->apply({TriggerKind::rightCommand, AppLanguage::en, false});
  EXPECT_FALSE(controller->isRunning());
  EXPECT_EQ(activeTaps(), 0U);
  EXPECT_EQ(controller->health(), EngineHealth::disabled);
  EXPECT_EQ(tapsCreated(), 1U);
}

TEST_F(SettingsTest, ApplyListsTheLayoutsAgain) {
  mac.inputSources().setEnabled(kRussian, false);
  controller->apply({TriggerKind::capsLock, AppLanguage::en, false});
  EXPECT_EQ(controller->layouts().size(), 1U);
  EXPECT_FALSE(controller->isRunning());
  EXPECT_EQ(controller->health(), EngineHealth::needsLayouts);
}

TEST_F(SettingsTest, ALoginChoiceEqualToTheSystemsStateMakesNoCallEvenIfTheStoredFlagDiffers) {
  storeConfig(TriggerKind::capsLock, true);
  controller = AppController::create(services());  // stored flag true, system not registered
  controller->apply({TriggerKind::capsLock, AppLanguage::en, false});
  EXPECT_EQ(mac.loginItems().registerCallCount(), 0);
  EXPECT_EQ(mac.loginItems().unregisterCallCount(), 0);
  EXPECT_TRUE(controller->config().launchAtLogin);

  mac.loginItems().setStatus(LoginItemStatus::enabled);
  controller->apply({TriggerKind::capsLock, AppLanguage::en, true});
  EXPECT_EQ(mac.loginItems().registerCallCount(), 0);
  EXPECT_EQ(mac.loginItems().unregisterCallCount(), 0);
}

TEST_F(SettingsTest, ALoginChoiceThatDiffersRegistersAndRecordsIt) {
  controller->apply({TriggerKind::capsLock, AppLanguage::en, true});
  EXPECT_EQ(mac.loginItems().registerCallCount(), 1);
  EXPECT_EQ(mac.loginItems().status(), LoginItemStatus::enabled);
  EXPECT_TRUE(controller->config().launchAtLogin);
  EXPECT_TRUE(ConfigStore(*services()).load().launchAtLogin);

  controller->apply({TriggerKind::capsLock, AppLanguage::en, false});
  EXPECT_EQ(mac.loginItems().unregisterCallCount(), 1);
  EXPECT_FALSE(controller->config().launchAtLogin);
  EXPECT_FALSE(ConfigStore(*services()).load().launchAtLogin);
}

TEST_F(SettingsTest, ARefusedRegistrationKeepsTheFlagLogsAndChangesNothingShown) {
  mac.loginItems().setRegisterFailure("Operation not permitted");
  std::size_t notifications = 0;
  auto subscription = controller->subscribe([&] { ++notifications; });

  controller->setLaunchAtLogin(true);
  EXPECT_EQ(notifications, 1U) << "told once, so a shown toggle goes back to the real state";
  EXPECT_FALSE(controller->launchesAtLogin());
  EXPECT_FALSE(controller->config().launchAtLogin);
  EXPECT_FALSE(ConfigStore(*services()).load().launchAtLogin);
  EXPECT_EQ(mac.log().messages().back(),
            std::string(logline::kLoginRegisterFailed) + "Operation not permitted");

  // Through the settings window's save the rest is still applied.
  controller->apply({TriggerKind::rightCommand, AppLanguage::ru, true});
  EXPECT_EQ(ConfigStore(*services()).load(),
            PlivexConfig(TriggerKind::rightCommand, AppLanguage::ru, false));
}

// User defaults whose saves fail while `failure` is set, as a full disk or a read-only folder
// makes them fail.
class FailingUserDefaults final : public platform::UserDefaults {
 public:
  std::optional<platform::Data> dataForKey(const std::string& key) override {
    return memory.dataForKey(key);
  }
  std::optional<platform::PropertyValue> objectForKey(const std::string& key) override {
    return memory.objectForKey(key);
  }
  void setObject(const platform::PropertyValue& value, const std::string& key) override {
    memory.setObject(value, key);
  }
  void removeObject(const std::string& key) override { memory.removeObject(key); }
  std::optional<std::string> lastWriteError() const override { return failure; }

  std::optional<std::string> failure;

 private:
  platform::host::MemoryUserDefaults memory;
};

// Whoever shows the settings learns that a change was not stored, and why, until one is.
TEST_F(AppTest, AFailedSaveIsKnownWithItsReasonUntilASaveSucceeds) {
  readyMac();
  const auto defaults = std::make_shared<FailingUserDefaults>();
  controller = AppController::create(
      editedServices([&](platform::Services& services) { services.userDefaults = defaults; }));
  EXPECT_EQ(controller->saveProblem(), std::nullopt);
  std::size_t notifications = 0;
  auto subscription = controller->subscribe([&] { ++notifications; });

  defaults->failure = "cannot save /home/u/.config/plivex/defaults.json: File too large";
  controller->apply({TriggerKind::capsLock, AppLanguage::ru, false});
  EXPECT_EQ(controller->saveProblem(), defaults->failure);
  EXPECT_EQ(controller->config().trigger, TriggerKind::capsLock) << "the change holds meanwhile";
  EXPECT_GT(notifications, 0U);

  controller->setLaunchAtLogin(true);
  EXPECT_EQ(controller->saveProblem(), defaults->failure) << "still not stored";

  defaults->failure.reset();
  controller->apply({TriggerKind::fn, AppLanguage::ru, true});
  EXPECT_EQ(controller->saveProblem(), std::nullopt);
}

TEST_F(AppTest, OpenHandsParsableURLsToTheWorkspaceAndIgnoresTheRest) {
  launch();
  const std::vector<std::string> valid = {
      std::string(AppController::kAccessibilitySettingsURL),
      std::string(AppController::kKeyboardSettingsURL),
  };
  for (const auto& url : valid) controller->open(url);
  for (const char* invalid : {"", "not a url", "x-apple.systempreferences:%zz"}) {
    controller->open(invalid);
  }
  std::vector<std::string> opened;
  for (const auto& url : mac.workspace().openedURLs()) opened.push_back(url.absoluteString);
  EXPECT_EQ(opened, valid);
}

}  // namespace
}  // namespace kestravane
