// The settings window's view-model: its texts in order, the status with its remedies, the
// pending trigger, language and login flag (given at each appearance, applied only by Done), the
// activation policy while shown, the layouts line, the version, the key tester and the line
// saying that the settings were not stored.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "AppTestSupport.h"
#include "Kestravane/MenuContent.h"
#include "Kestravane/SettingsModel.h"

namespace kestravane {
namespace {

using platform::ActivationPolicy;
using platform::LoginItemStatus;
using testing_support::AppTest;
using testing_support::kRussian;
using testing_support::kUS;

// The name the window gives a status section's remedy.
std::string nameOf(const SettingsRemedy& remedy) {
  return "status." + std::string(remedy.name);
}

// Every text of the state, in the order the window shows them.
std::vector<std::string> textsOf(const SettingsState& s) {
  std::vector<std::string> all{s.title, s.version, s.statusHeader, s.statusLine};
  if (s.saveProblem) all.push_back(*s.saveProblem);
  all.insert(all.end(), {s.toggleLabel, s.refreshLabel});
  for (const auto& remedy : s.remedies) all.push_back(remedy.text);
  // The trigger's section comes before the layouts line, the other settings after it.
  for (std::size_t i = 0; i < s.settings.size(); ++i) {
    all.push_back(s.settings[i].label);
    all.insert(all.end(), s.settings[i].options.begin(), s.settings[i].options.end());
    if (i == 0) all.push_back(s.layoutsLine);
  }
  all.insert(all.end(), {s.keyTesterHeader, s.keyTesterHint, s.keyTesterButton});
  if (s.keyTesterReadout) all.push_back(*s.keyTesterReadout);
  all.insert(all.end(), {s.cancelLabel, s.doneLabel});
  return all;
}

class SettingsModelTest : public AppTest {
 protected:
  void SetUp() override {
    readyMac();
    launch();
    view.emplace(controller);
  }

  // The window is shown: the controls take the pending values.
  void open() { pending = view->appear(); }
  // Cancel, Escape or the close button: the window goes away.
  void cancel() {
    ++dismissals;
    view->disappear();
  }
  // Done: the controls' values reach the controller, then the window goes away.
  void done() {
    view->done(pending);
    cancel();
  }

  std::optional<std::string> element(const std::string& id) {
    const SettingsState s = view->state();
    if (id == "title") return s.title;
    if (id == "version") return s.version;
    if (id == "status.line") return s.statusLine;
    if (id == "status.saveProblem") return s.saveProblem;
    if (id == "status.toggle") return s.toggleLabel;
    if (id == "status.refresh") return s.refreshLabel;
    if (id == "layouts") return s.layoutsLine;
    if (id == "keyTester.button") return s.keyTesterButton;
    if (id == "keyTester.readout") return s.keyTesterReadout;
    if (id == "keyTester.problem") return s.keyTesterProblem;
    if (id == "keyTester.remedy") return s.keyTesterRemedyLabel;
    if (id == "loginApproval.line") return s.loginApprovalLine;
    if (id == "loginApproval.open") return s.openLoginItemsLabel;
    if (id == "quit") return s.quitLabel;
    for (const auto& remedy : s.remedies) {
      if (nameOf(remedy) == id) return remedy.text;
    }
    return std::nullopt;
  }
  std::string text(const std::string& id) {
    const auto found = element(id);
    if (!found) throw std::runtime_error("no element " + id);
    return *found;
  }
  bool has(const std::string& id) { return element(id).has_value(); }
  void press(const std::string& id) {
    if (id == "status.toggle") return view->toggleEnabled();
    if (id == "status.refresh") return view->refreshStatus();
    if (id == "keyTester.button") return view->toggleKeyTest();
    if (id == "keyTester.remedy") return view->requestInputMonitoring();
    if (id == "loginApproval.open") return view->openLoginItems();
    if (id == "cancel") return cancel();
    if (id == "done") return done();
    if (id == "quit") return view->quit();
    for (const auto& remedy : view->state().remedies) {
      if (nameOf(remedy) == id) return view->perform(remedy.action);
    }
    FAIL() << "no button " << id;
  }
  std::size_t triggerIndex() const {
    return static_cast<std::size_t>(
        std::find(allTriggerKinds.begin(), allTriggerKinds.end(), pending.trigger) -
        allTriggerKinds.begin());
  }

  std::optional<SettingsModel> view;
  PendingSettings pending;
  int dismissals = 0;
};

TEST_F(SettingsModelTest, EveryTextInBothLanguages) {
  open();
  const auto texts = [this] { return textsOf(view->state()); };
  EXPECT_EQ(texts(), (std::vector<std::string>{"Plivex Settings",
                                               "v0.1.0",
                                               "Status",
                                               "🟢 Active",
                                               "Disable",
                                               "Refresh status",
                                               "Trigger key",
                                               "Fn / 🌐",
                                               "Caps Lock",
                                               "Right ⌘",
                                               "Layouts: U.S. ⇄ Russian",
                                               "Language",
                                               "English",
                                               "Russian",
                                               "System",
                                               "Launch at login",
                                               "Key tester",
                                               "Press a key — see if macOS reports it",
                                               "Start test",
                                               "Cancel",
                                               "Done"}));
  pending.language = AppLanguage::ru;
  done();
  open();
  EXPECT_EQ(texts(), (std::vector<std::string>{"Настройки Plivex",
                                               "v0.1.0",
                                               "Статус",
                                               "🟢 Активно",
                                               "Выключить",
                                               "Обновить статус",
                                               "Клавиша-триггер",
                                               "Fn / 🌐",
                                               "Caps Lock",
                                               "Right ⌘",
                                               "Раскладки: U.S. ⇄ Russian",
                                               "Язык",
                                               "English",
                                               "Русский",
                                               "Системный",
                                               "Запускать при входе",
                                               "Тест клавиш",
                                               "Нажми клавишу — видит ли её macOS",
                                               "Начать тест",
                                               "Отмена",
                                               "Готово"}));
}

TEST_F(SettingsModelTest, TheStatusSectionOffersTheRemediesOfTheHealth) {
  const std::vector<std::string> remedies{
      "status.requestAccessibility", "status.openAccessibilitySettings", "status.needLayoutsHint",
      "status.freeGlobe", "status.freeCapsLock"};
  const auto shownRemedies = [&] {
    std::vector<std::string> shown;
    for (const auto& id : remedies) {
      if (has(id)) shown.push_back(id);
    }
    return shown;
  };
  open();

  mac.permissions().setSecureInput(true);
  controller->reconcile();
  EXPECT_EQ(text("status.line"), "🟠 Secure Input active");
  EXPECT_TRUE(shownRemedies().empty());
  mac.permissions().setSecureInput(false);

  // Fewer than two layouts: only the caption hint, no keyboard-settings button.
  mac.inputSources().setEnabled(kRussian, false);
  controller->reconcile();
  EXPECT_EQ(shownRemedies(), std::vector<std::string>{"status.needLayoutsHint"});
  EXPECT_EQ(text("status.needLayoutsHint"), "Enable ≥2 layouts in macOS");
  mac.inputSources().setEnabled(kRussian, true);

  mac.preferences().setFnUsageType(1);
  controller->reconcile();
  EXPECT_EQ(shownRemedies(), std::vector<std::string>{"status.freeGlobe"});
  press("status.freeGlobe");
  ASSERT_EQ(mac.workspace().openedURLs().size(), 1U);
  EXPECT_EQ(mac.workspace().openedURLs().back().absoluteString,
            AppController::kKeyboardSettingsURL);

  // The Caps Lock trigger while the system still switches to and from ABC with that key.
  mac.preferences().setRomanSwitchState(1);
  controller->apply({TriggerKind::capsLock, AppLanguage::en, false});
  EXPECT_EQ(text("status.line"), "🟠 Caps Lock occupied");
  EXPECT_EQ(shownRemedies(), std::vector<std::string>{"status.freeCapsLock"});
  EXPECT_EQ(text("status.freeCapsLock"), "Free Caps Lock (ABC switching → Off)");
  press("status.freeCapsLock");
  ASSERT_EQ(mac.workspace().openedURLs().size(), 2U);
  EXPECT_EQ(mac.workspace().openedURLs().back().absoluteString,
            AppController::kKeyboardSettingsURL);

  // Accessibility missing: the request, then the fixed "Open settings…" in every language.
  mac.permissions().setAccessibilityTrusted(false);
  controller->apply({TriggerKind::capsLock, AppLanguage::ru, false});
  EXPECT_EQ(shownRemedies(), (std::vector<std::string>{"status.requestAccessibility",
                                                       "status.openAccessibilitySettings"}));
  EXPECT_EQ(text("status.requestAccessibility"), "② Запросить Accessibility");
  EXPECT_EQ(text("status.openAccessibilitySettings"), "Open settings…");
  press("status.requestAccessibility");
  EXPECT_EQ(mac.accessibility().promptsShown(), 1U);
  press("status.openAccessibilitySettings");
  EXPECT_EQ(mac.workspace().openedURLs().back().absoluteString,
            AppController::kAccessibilitySettingsURL);
}

// A desktop without a keyboard-settings program: the window and the menu show what to do by hand
// instead of buttons that would do nothing, and leave out what has nothing to do by hand.
TEST_F(SettingsModelTest, WhereNothingOpensTheSettingsTheRemedyIsWhatToDoByHand) {
  open();
  mac.workspace().setOpenURLResult(false);
  mac.preferences().setRomanSwitchState(1);
  controller->apply({TriggerKind::capsLock, AppLanguage::en, false});
  const auto names = [&] {
    std::vector<std::string> shown;
    for (const auto& remedy : view->state().remedies) shown.push_back(nameOf(remedy));
    return shown;
  };
  ASSERT_EQ(names(), std::vector<std::string>{"status.freeCapsLock"});
  EXPECT_EQ(view->state().remedies[0].action, RemedyAction::none);
  EXPECT_EQ(view->state().remedies[0].text, "Free Caps Lock (ABC switching → Off)");
  const MenuContent menu(controller, {});
  for (const auto& item : menu.build().items) {
    if (item.remedy) {
      EXPECT_EQ(item.kind, MenuItem::Kind::text) << item.text;
    }
  }

  mac.permissions().setAccessibilityTrusted(false);
  controller->reconcile();
  EXPECT_EQ(names(), std::vector<std::string>{"status.requestAccessibility"});
  mac.workspace().setOpenURLResult(true);
  controller->reconcile();
  EXPECT_EQ(names(), (std::vector<std::string>{"status.requestAccessibility",
                                               "status.openAccessibilitySettings"}));
}

// Where the desktop has no tray the window is all there is: it ends the program as the menu does,
// giving the trigger key back first.
TEST_F(SettingsModelTest, QuitEndsTheProgramInEitherLanguage) {
  open();
  EXPECT_EQ(text("quit"), "Quit");
  controller->apply({TriggerKind::capsLock, AppLanguage::ru, false});
  EXPECT_EQ(text("quit"), "Выйти");
  ASSERT_TRUE(controller->isRunning());
  press("quit");
  EXPECT_EQ(mac.application().terminationCount(), 1);
  EXPECT_FALSE(controller->isRunning());
}

TEST_F(SettingsModelTest, TheOnOffButtonFollowsIsRunningAndRefreshReconciles) {
  open();
  ASSERT_EQ(text("status.toggle"), "Disable");
  press("status.toggle");
  EXPECT_FALSE(controller->userEnabled());
  EXPECT_EQ(text("status.line"), "⚪️ Disabled");
  EXPECT_EQ(text("status.toggle"), "Enable");
  press("status.toggle");
  EXPECT_TRUE(controller->isRunning());

  // Switched on but blocked: the button offers Enable, and pressing it switches off.
  mac.permissions().setAccessibilityTrusted(false);
  press("status.refresh");
  EXPECT_FALSE(controller->isRunning());
  EXPECT_EQ(text("status.toggle"), "Enable");
  press("status.toggle");
  EXPECT_FALSE(controller->userEnabled());
}

TEST_F(SettingsModelTest, AppearingMakesTheApplicationRegularAndGoingAwayMakesItAnAccessory) {
  ASSERT_EQ(mac.application().activationPolicy(), ActivationPolicy::accessory);
  const int activations = mac.application().activationCount();
  mac.inputSources().setEnabled(kRussian, false);
  open();
  EXPECT_EQ(mac.application().activationPolicy(), ActivationPolicy::regular);
  EXPECT_EQ(mac.application().activationCount(), activations + 1);
  EXPECT_EQ(controller->layouts(), std::vector<std::string>{kUS}) << "reconciled on appearing";

  cancel();
  EXPECT_EQ(dismissals, 1);
  EXPECT_EQ(mac.application().activationPolicy(), ActivationPolicy::accessory);
  view->disappear();  // a second notice of the same closing changes nothing
  EXPECT_EQ(mac.application().activationPolicy(), ActivationPolicy::accessory);
}

TEST_F(SettingsModelTest, CancelDropsThePendingValuesAndReopeningShowsTheStoredOnes) {
  open();
  ASSERT_EQ(triggerIndex(), 0U);
  pending.trigger = allTriggerKinds[1];
  pending.language = AppLanguage::ru;
  pending.launchAtLogin = true;
  EXPECT_EQ(triggerIndex(), 1U);
  EXPECT_EQ(static_cast<std::size_t>(pending.language), 1U);
  EXPECT_TRUE(pending.launchAtLogin);

  press("cancel");
  EXPECT_EQ(dismissals, 1);
  EXPECT_EQ(controller->config(), PlivexConfig::defaults());
  EXPECT_EQ(mac.loginItems().registerCallCount(), 0);

  open();
  EXPECT_EQ(pending.trigger, TriggerKind::fn);
  EXPECT_EQ(pending.language, AppLanguage::en);
  EXPECT_FALSE(pending.launchAtLogin);
  EXPECT_EQ(triggerIndex(), 0U);
}

TEST_F(SettingsModelTest, DoneAppliesEvenWithoutChangesAndThenDismisses) {
  open();
  const auto tapsBefore = tapsCreated();
  press("done");
  EXPECT_EQ(tapsCreated(), tapsBefore + 1) << "the engine is rebuilt";
  EXPECT_EQ(dismissals, 1);
  EXPECT_EQ(mac.application().activationPolicy(), ActivationPolicy::accessory);
}

TEST_F(SettingsModelTest, ThePendingLanguageAndTriggerTakeEffectOnlyAfterDone) {
  open();
  pending.language = (AppLanguage::ru);
  pending.trigger = (TriggerKind::rightCommand);
  EXPECT_EQ(text("title"), "Plivex Settings") << "the window keeps the applied language";
  EXPECT_EQ(controller->config().trigger, TriggerKind::fn);

  done();
  EXPECT_EQ(controller->config(), PlivexConfig(TriggerKind::rightCommand, AppLanguage::ru, false));
  EXPECT_EQ(ConfigStore(*services()).load().language, AppLanguage::ru);
  open();
  EXPECT_EQ(text("title"), "Настройки Plivex");
  EXPECT_EQ(triggerIndex(), 2U);
  EXPECT_EQ(static_cast<std::size_t>(pending.language), 1U);
}

TEST_F(SettingsModelTest, TheLoginToggleShowsTheSystemsStateNotTheStoredFlag) {
  // Nothing differs from the system's state: Done registers nothing.
  open();
  done();
  EXPECT_EQ(mac.loginItems().registerCallCount(), 0);

  open();
  pending.launchAtLogin = (true);
  done();
  EXPECT_EQ(mac.loginItems().registerCallCount(), 1);
  ASSERT_TRUE(controller->config().launchAtLogin);
  open();
  EXPECT_TRUE(pending.launchAtLogin);
  cancel();

  // The user removes the login item in System Settings; the stored flag still says on.
  mac.loginItems().setStatus(LoginItemStatus::notRegistered);
  open();
  EXPECT_FALSE(pending.launchAtLogin);
  cancel();
  mac.loginItems().setStatus(LoginItemStatus::requiresApproval);
  open();
  EXPECT_TRUE(pending.launchAtLogin) << "registered, though it awaits approval";
  cancel();

  // Registered behind the program's back, while the stored flag says off.
  mac.loginItems().setStatus(LoginItemStatus::enabled);
  controller->apply({TriggerKind::fn, AppLanguage::en, false});
  ASSERT_FALSE(controller->config().launchAtLogin);
  mac.loginItems().setStatus(LoginItemStatus::enabled);
  open();
  EXPECT_TRUE(pending.launchAtLogin);
}

// macOS may hold a new login item until the user allows it: the toggle stays on, a line says
// where to allow it, and Done does not ask again.
TEST_F(SettingsModelTest, ALoginItemAwaitingApprovalStaysOnAndLeadsToLoginItems) {
  mac.loginItems().setRequiresApproval(true);
  open();
  EXPECT_FALSE(has("loginApproval.line"));
  pending.launchAtLogin = true;
  done();
  open();
  EXPECT_TRUE(pending.launchAtLogin);
  EXPECT_EQ(text("loginApproval.line"),
            "Waiting for your approval in System Settings › General › Login Items.");
  press("loginApproval.open");
  EXPECT_EQ(mac.loginItems().loginItemsPaneOpenCount(), 1);
  done();
  EXPECT_EQ(mac.loginItems().registerCallCount(), 1) << "a second Done registers nothing";

  mac.loginItems().approve();  // allowed in System Settings: the next check sees it
  controller->reconcile();
  EXPECT_FALSE(has("loginApproval.line"));
}

TEST_F(SettingsModelTest, WithoutInputMonitoringTheKeyTesterSaysSoAndAsksForIt) {
  open();
  // Revoked while the window is shown, before any check has seen it: Start finds out.
  mac.permissions().setInputMonitoring(false);
  press("keyTester.button");
  EXPECT_FALSE(controller->isTesting());
  EXPECT_EQ(text("keyTester.problem"), "The key tester needs Input Monitoring to see your keys.");
  EXPECT_FALSE(view->state().keyTesterButtonEnabled);

  // The system asks the user once; after that only its privacy pane can grant it.
  press("keyTester.remedy");
  press("keyTester.remedy");
  EXPECT_EQ(mac.permissions().listenRequestCount(), 1U);
  ASSERT_EQ(mac.workspace().openedURLs().size(), 1U);
  EXPECT_EQ(mac.workspace().openedURLs().back().absoluteString,
            AppController::kInputMonitoringSettingsURL);
}

TEST_F(SettingsModelTest, TheLayoutsLineNamesTheCycleOrSaysThereIsNone) {
  open();
  EXPECT_EQ(text("layouts"), "Layouts: U.S. ⇄ Russian");
  mac.inputSources().setEnabled("com.apple.keylayout.German", true);
  mac.inputSources().setLocalizedName("com.apple.keylayout.German", std::nullopt);
  controller->reconcile();
  EXPECT_EQ(text("layouts"), "Layouts: U.S. ⇄ Russian ⇄ German") << "the short name stands in";
  mac.inputSources().setEnabled("com.apple.keylayout.German", false);
  mac.inputSources().setEnabled(kRussian, false);
  controller->reconcile();
  EXPECT_EQ(text("layouts"), "Layouts: U.S.");
  mac.inputSources().setEnabled(kUS, false);
  controller->reconcile();
  EXPECT_EQ(text("layouts"), "Layouts: —");
  controller->apply({TriggerKind::fn, AppLanguage::ru, false});
  EXPECT_EQ(text("layouts"), "Раскладки: —");
}

// A system that sends no notice of a change (an X11 keymap loaded underneath) is followed by the
// next check, with the window open and after it is cancelled: status, layouts line and engine.
TEST_F(SettingsModelTest, EachCheckFollowsTheLayoutsWithTheWindowOpenAndWithoutANotice) {
  mac.inputSources().setNotificationQueue(nullptr);
  mac.inputSources().setEnabled(kRussian, false);
  open();
  ASSERT_EQ(controller->health(), EngineHealth::needsLayouts);
  struct Step {
    std::vector<const char*> enabled;
    bool closeFirst;
    const char* layoutsLine;
    EngineHealth health;
  };
  const char* german = "com.apple.keylayout.German";
  const std::vector<Step> steps{
      {{kUS, kRussian}, false, "Layouts: U.S. ⇄ Russian", EngineHealth::active},
      {{kUS, german}, false, "Layouts: U.S. ⇄ German", EngineHealth::active},
      {{kUS}, false, "Layouts: U.S.", EngineHealth::needsLayouts},
      {{kUS, kRussian, german}, true, "Layouts: U.S. ⇄ Russian ⇄ German", EngineHealth::active},
      {{kUS}, false, "Layouts: U.S.", EngineHealth::needsLayouts}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.layoutsLine);
    if (step.closeFirst) press("cancel");
    for (const char* id : {kUS, kRussian, german}) {
      mac.inputSources().setEnabled(
          id, std::ranges::find(step.enabled, std::string_view(id)) != step.enabled.end());
    }
    advance(3);
    EXPECT_EQ(text("layouts"), step.layoutsLine);
    EXPECT_EQ(controller->health(), step.health);
    EXPECT_EQ(controller->isRunning(), step.health == EngineHealth::active);
    EXPECT_EQ(activeTaps(), step.health == EngineHealth::active ? 1U : 0U);
  }
}

TEST_F(SettingsModelTest, TheVersionIsTheBundlesShortVersionOrADash) {
  EXPECT_EQ(text("version"), "v" + platform::host::HostBundleInfo::projectVersion());
  mac.bundleInfo().setValue(platform::host::kBundleShortVersionKey, std::string("2.5"));
  EXPECT_EQ(text("version"), "v2.5");
  mac.bundleInfo().setValue(platform::host::kBundleShortVersionKey, std::int64_t{3});
  EXPECT_EQ(text("version"), "v—");
  mac.bundleInfo().removeValue(platform::host::kBundleShortVersionKey);
  EXPECT_EQ(text("version"), "v—");
}

TEST_F(SettingsModelTest, TheKeyTesterShowsWaitingThenTheLastKeyAndStopsWhenTheWindowCloses) {
  open();
  EXPECT_EQ(text("keyTester.button"), "Start test");
  EXPECT_FALSE(has("keyTester.readout"));

  press("keyTester.button");
  ASSERT_TRUE(controller->isTesting());
  EXPECT_EQ(text("keyTester.button"), "Stop");
  EXPECT_EQ(text("keyTester.readout"), "waiting for a key…");

  ASSERT_TRUE(waitForTapThreads());
  mac.keyboard().press(platform::vmac::keycode::function);
  ASSERT_TRUE(pumpUntil([&] { return !controller->lastTestedKey().empty(); }));
  EXPECT_EQ(text("keyTester.readout"), "keyCode 63 (модификатор)  fn=true  flags=0x800100");
  mac.keyboard().release(platform::vmac::keycode::function);

  press("keyTester.button");
  EXPECT_FALSE(controller->isTesting());
  EXPECT_FALSE(has("keyTester.readout"));

  // Closing the window while a test runs ends the test (and its tap).
  press("keyTester.button");
  ASSERT_EQ(listenOnlyTaps(), 1U);
  press("cancel");
  EXPECT_FALSE(controller->isTesting());
  EXPECT_EQ(listenOnlyTaps(), 0U);

  controller->apply({TriggerKind::fn, AppLanguage::ru, false});
  open();
  press("keyTester.button");
  EXPECT_EQ(text("keyTester.readout"), "жду нажатия…");
  EXPECT_EQ(text("keyTester.button"), "Стоп");
}

TEST_F(SettingsModelTest, AFailedSaveIsShownBelowTheStatusUntilASaveSucceeds) {
  // The settings file's folder is no folder: every save fails with its reason.
  platform::vmac::VirtualMacOptions options;
  options.defaultsFile = "/dev/null/plivex/defaults.json";
  platform::vmac::VirtualMac failing(options);
  failing.grantAllPermissions();
  const auto other = AppController::create(failing.services());
  SettingsModel model(other);
  EXPECT_EQ(model.state().saveProblem, std::nullopt);
  model.done({TriggerKind::capsLock, AppLanguage::en, false});
  const auto line = model.state().saveProblem;
  ASSERT_TRUE(line.has_value());
  EXPECT_TRUE(line->starts_with("⚠️ Settings not saved: ")) << *line;
  EXPECT_NE(line->find("Not a directory"), std::string::npos) << *line;
  model.done({TriggerKind::capsLock, AppLanguage::ru, false});
  EXPECT_TRUE(model.state().saveProblem->starts_with(
      "⚠️ Настройки не сохранены: "));
  other->stopEngine();
}

}  // namespace
}  // namespace kestravane
