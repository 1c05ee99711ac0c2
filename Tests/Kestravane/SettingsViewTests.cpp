// The settings window's content: its sections in order, the status with its remedies, the
// pending trigger, language and login flag (taken at each appearance, applied only by Done), the
// activation policy while shown, the layouts line, the version and the key tester.
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "Kestravane/SettingsView.h"

namespace kestravane {
namespace {

using platform::ActivationPolicy;
using platform::LoginItemStatus;
using testing_support::AppTest;
using testing_support::kRussian;
using testing_support::kUS;

// The ids of the named elements, in the order shown.
std::vector<std::string> namesOf(const ViewNode& root) {
  std::vector<std::string> names;
  root.forEach([&names](const ViewNode& node) {
    if (!node.id.empty()) names.push_back(node.id);
  });
  return names;
}

const ViewNode& node(const ViewNode& root, std::string_view id) {
  const auto* found = root.find(id);
  if (!found) throw std::runtime_error("no element " + std::string(id));
  return *found;
}

class SettingsViewTest : public AppTest {
 protected:
  void SetUp() override {
    readyMac();
    launch();
    // The window's dismiss closes it, which runs the disappearing steps.
    view.emplace(controller, [this] {
      ++dismissals;
      view->disappear();
    });
  }

  void open() { view->appear(); }
  ViewNode build() { return view->build(); }
  std::string text(std::string_view id) { return node(build(), id).text; }
  bool has(std::string_view id) { return build().find(id) != nullptr; }

  std::optional<SettingsView> view;
  int dismissals = 0;
};

TEST_F(SettingsViewTest, ShowsItsSectionsInOrderAtAFixedWidth) {
  open();
  const auto root = build();
  EXPECT_EQ(namesOf(root), (std::vector<std::string>{"settings",        "title",
                                                     "version",         "status",
                                                     "status.header",   "status.line",
                                                     "status.toggle",   "status.refresh",
                                                     "trigger",         "trigger.header",
                                                     "trigger.picker",  "layouts",
                                                     "preferences",     "language.header",
                                                     "language.picker", "launchAtLogin",
                                                     "keyTester",       "keyTester.header",
                                                     "keyTester.hint",  "keyTester.button",
                                                     "cancel",          "done"}));
  EXPECT_EQ(root.fixedWidth, 460);
  EXPECT_TRUE(root.idealHeight);
  EXPECT_FALSE(root.focusRing);
  EXPECT_EQ(node(root, "language.picker").fixedWidth, 160);
  EXPECT_EQ(node(root, "title").font, FontRole::title2Bold);
  EXPECT_EQ(node(root, "version").font, FontRole::caption);
  EXPECT_EQ(node(root, "version").colour, ColourRole::secondary);
  EXPECT_EQ(node(root, "layouts").font, FontRole::callout);
  for (const char* header :
       {"status.header", "trigger.header", "language.header", "keyTester.header"}) {
    EXPECT_EQ(node(root, header).font, FontRole::headline) << header;
  }
  EXPECT_EQ(node(root, "cancel").shortcut, KeyboardShortcut::cancelAction);
  EXPECT_EQ(node(root, "done").shortcut, KeyboardShortcut::defaultAction);
  EXPECT_TRUE(node(root, "status.toggle").bordered);
  EXPECT_EQ(node(root, "status.toggle").controlSize, ControlSize::small);

  EXPECT_EQ(node(root, "trigger.picker").kind, ViewNode::Kind::radioGroup);
  EXPECT_EQ(node(root, "trigger.picker").options,
            (std::vector<std::string>{"Fn / 🌐", "Caps Lock", "Right ⌘"}));
  EXPECT_EQ(node(root, "language.picker").kind, ViewNode::Kind::popUp);
  EXPECT_EQ(node(root, "language.picker").options,
            (std::vector<std::string>{"English", "Russian", "System"}));
}

TEST_F(SettingsViewTest, EveryTextInBothLanguages) {
  open();
  const auto texts = [this] {
    std::vector<std::string> all;
    build().forEach([&all](const ViewNode& node) {
      if (!node.text.empty()) all.push_back(node.text);
      all.insert(all.end(), node.options.begin(), node.options.end());
    });
    return all;
  };
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
  view->setLang(AppLanguage::ru);
  view->done();
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

TEST_F(SettingsViewTest, TheStatusSectionOffersTheRemediesOfTheHealth) {
  const std::vector<std::string> remedies{
      "status.requestAccessibility", "status.openAccessibilitySettings", "status.needLayoutsHint",
      "status.freeGlobe", "status.freeCapsLock"};
  const auto shownRemedies = [&] {
    std::vector<std::string> shown;
    const auto root = build();
    for (const auto& id : remedies) {
      if (root.find(id)) shown.push_back(id);
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
  EXPECT_EQ(node(build(), "status.needLayoutsHint").font, FontRole::caption);
  EXPECT_EQ(text("status.needLayoutsHint"), "Enable ≥2 layouts in macOS");
  mac.inputSources().setEnabled(kRussian, true);

  mac.preferences().setFnUsageType(1);
  controller->reconcile();
  EXPECT_EQ(shownRemedies(), std::vector<std::string>{"status.freeGlobe"});
  node(build(), "status.freeGlobe").action();
  ASSERT_EQ(mac.workspace().openedURLs().size(), 1U);
  EXPECT_EQ(mac.workspace().openedURLs().back().absoluteString,
            AppController::kKeyboardSettingsURL);

  // The Caps Lock trigger while the system still switches to and from ABC with that key.
  mac.preferences().setRomanSwitchState(1);
  controller->apply(TriggerKind::capsLock, AppLanguage::en, false);
  EXPECT_EQ(text("status.line"), "🟠 Caps Lock occupied");
  EXPECT_EQ(shownRemedies(), std::vector<std::string>{"status.freeCapsLock"});
  EXPECT_EQ(text("status.freeCapsLock"), "Free Caps Lock (ABC switching → Off)");
  node(build(), "status.freeCapsLock").action();
  ASSERT_EQ(mac.workspace().openedURLs().size(), 2U);
  EXPECT_EQ(mac.workspace().openedURLs().back().absoluteString,
            AppController::kKeyboardSettingsURL);

  // Accessibility missing: the request, then the fixed "Open settings…" in every language.
  mac.permissions().setAccessibilityTrusted(false);
  controller->apply(TriggerKind::capsLock, AppLanguage::ru, false);
  EXPECT_EQ(shownRemedies(), (std::vector<std::string>{"status.requestAccessibility",
                                                       "status.openAccessibilitySettings"}));
  EXPECT_EQ(text("status.requestAccessibility"), "② Запросить Accessibility");
  EXPECT_EQ(text("status.openAccessibilitySettings"), "Open settings…");
  node(build(), "status.requestAccessibility").action();
  EXPECT_EQ(mac.accessibility().promptsShown(), 1U);
  node(build(), "status.openAccessibilitySettings").action();
  EXPECT_EQ(mac.workspace().openedURLs().back().absoluteString,
            AppController::kAccessibilitySettingsURL);
}

TEST_F(SettingsViewTest, TheOnOffButtonFollowsIsRunningAndRefreshReconciles) {
  open();
  ASSERT_EQ(text("status.toggle"), "Disable");
  node(build(), "status.toggle").action();
  EXPECT_FALSE(controller->userEnabled());
  EXPECT_EQ(text("status.line"), "⚪️ Disabled");
  EXPECT_EQ(text("status.toggle"), "Enable");
  node(build(), "status.toggle").action();
  EXPECT_TRUE(controller->isRunning());

  // Switched on but blocked: the button offers Enable, and pressing it switches off.
  mac.permissions().setAccessibilityTrusted(false);
  node(build(), "status.refresh").action();
  EXPECT_FALSE(controller->isRunning());
  EXPECT_EQ(text("status.toggle"), "Enable");
  node(build(), "status.toggle").action();
  EXPECT_FALSE(controller->userEnabled());
}

TEST_F(SettingsViewTest, AppearingMakesTheApplicationRegularAndGoingAwayMakesItAnAccessory) {
  ASSERT_EQ(mac.application().activationPolicy(), ActivationPolicy::accessory);
  const int activations = mac.application().activationCount();
  mac.inputSources().setEnabled(kRussian, false);
  open();
  EXPECT_EQ(mac.application().activationPolicy(), ActivationPolicy::regular);
  EXPECT_EQ(mac.application().activationCount(), activations + 1);
  EXPECT_EQ(controller->layouts(), std::vector<std::string>{kUS}) << "reconciled on appearing";

  view->cancel();
  EXPECT_EQ(dismissals, 1);
  EXPECT_EQ(mac.application().activationPolicy(), ActivationPolicy::accessory);
  view->disappear();  // a second notice of the same closing changes nothing
  EXPECT_EQ(mac.application().activationPolicy(), ActivationPolicy::accessory);
}

TEST_F(SettingsViewTest, CancelDropsThePendingValuesAndReopeningShowsTheStoredOnes) {
  open();
  ASSERT_EQ(node(build(), "trigger.picker").selected, 0U);
  node(build(), "trigger.picker").onSelect(1);
  node(build(), "language.picker").onSelect(1);
  node(build(), "launchAtLogin").onToggle(true);
  EXPECT_EQ(node(build(), "trigger.picker").selected, 1U);
  EXPECT_EQ(node(build(), "language.picker").selected, 1U);
  EXPECT_TRUE(node(build(), "launchAtLogin").isOn);

  node(build(), "cancel").action();
  EXPECT_EQ(dismissals, 1);
  EXPECT_EQ(controller->config(), PlivexConfig::defaults());
  EXPECT_EQ(mac.loginItems().registerCallCount(), 0);

  open();
  EXPECT_EQ(view->trigger(), TriggerKind::fn);
  EXPECT_EQ(view->lang(), AppLanguage::en);
  EXPECT_FALSE(view->launch());
  EXPECT_EQ(node(build(), "trigger.picker").selected, 0U);
}

TEST_F(SettingsViewTest, DoneAppliesEvenWithoutChangesAndThenDismisses) {
  open();
  const auto tapsBefore = tapsCreated();
  node(build(), "done").action();
  EXPECT_EQ(tapsCreated(), tapsBefore + 1) << "the engine is rebuilt";
  EXPECT_EQ(dismissals, 1);
  EXPECT_EQ(mac.application().activationPolicy(), ActivationPolicy::accessory);
}

TEST_F(SettingsViewTest, ThePendingLanguageAndTriggerTakeEffectOnlyAfterDone) {
  open();
  view->setLang(AppLanguage::ru);
  view->setTrigger(TriggerKind::rightCommand);
  EXPECT_EQ(text("title"), "Plivex Settings") << "the window keeps the applied language";
  EXPECT_EQ(controller->config().trigger, TriggerKind::fn);

  view->done();
  EXPECT_EQ(controller->config(), PlivexConfig(TriggerKind::rightCommand, AppLanguage::ru, false));
  EXPECT_EQ(ConfigStore(*services()).load().language, AppLanguage::ru);
  open();
  EXPECT_EQ(text("title"), "Настройки Plivex");
  EXPECT_EQ(node(build(), "trigger.picker").selected, 2U);
  EXPECT_EQ(node(build(), "language.picker").selected, 1U);
}

TEST_F(SettingsViewTest, TheLoginToggleShowsTheSystemsStateNotTheStoredFlag) {
  // Nothing differs from the system's state: Done registers nothing.
  open();
  view->done();
  EXPECT_EQ(mac.loginItems().registerCallCount(), 0);

  open();
  view->setLaunch(true);
  view->done();
  EXPECT_EQ(mac.loginItems().registerCallCount(), 1);
  ASSERT_TRUE(controller->config().launchAtLogin);
  open();
  EXPECT_TRUE(node(build(), "launchAtLogin").isOn);
  view->cancel();

  // The user removes the login item in System Settings; the stored flag still says on.
  mac.loginItems().setStatus(LoginItemStatus::notRegistered);
  open();
  EXPECT_FALSE(node(build(), "launchAtLogin").isOn);
  view->cancel();
  mac.loginItems().setStatus(LoginItemStatus::requiresApproval);
  open();
  EXPECT_FALSE(node(build(), "launchAtLogin").isOn) << "awaiting approval is not enabled";
  view->cancel();

  // Registered behind the program's back, while the stored flag says off.
  mac.loginItems().setStatus(LoginItemStatus::enabled);
  controller->apply(TriggerKind::fn, AppLanguage::en, false);
  ASSERT_FALSE(controller->config().launchAtLogin);
  mac.loginItems().setStatus(LoginItemStatus::enabled);
  open();
  EXPECT_TRUE(node(build(), "launchAtLogin").isOn);
}

TEST_F(SettingsViewTest, TheLayoutsLineNamesTheCycleOrSaysThereIsNone) {
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
  controller->apply(TriggerKind::fn, AppLanguage::ru, false);
  EXPECT_EQ(text("layouts"), "Раскладки: —");
}

TEST_F(SettingsViewTest, TheVersionIsTheBundlesShortVersionOrADash) {
  EXPECT_EQ(text("version"), "v" + platform::vmac::VirtualBundleInfo::projectVersion());
  mac.bundleInfo().setValue(platform::vmac::kBundleShortVersionKey, std::string("2.5"));
  EXPECT_EQ(text("version"), "v2.5");
  mac.bundleInfo().setValue(platform::vmac::kBundleShortVersionKey, std::int64_t{3});
  EXPECT_EQ(text("version"), "v—");
  mac.bundleInfo().removeValue(platform::vmac::kBundleShortVersionKey);
  EXPECT_EQ(text("version"), "v—");
}

TEST_F(SettingsViewTest, TheKeyTesterShowsWaitingThenTheLastKeyAndStopsWhenTheWindowCloses) {
  open();
  EXPECT_EQ(text("keyTester.button"), "Start test");
  EXPECT_FALSE(has("keyTester.readout"));

  node(build(), "keyTester.button").action();
  ASSERT_TRUE(controller->isTesting());
  EXPECT_EQ(text("keyTester.button"), "Stop");
  EXPECT_EQ(text("keyTester.readout"), "waiting for a key…");
  EXPECT_EQ(node(build(), "keyTester.readout").font, FontRole::captionMonospaced);
  EXPECT_EQ(node(build(), "keyTester.readout").colour, ColourRole::secondary);

  ASSERT_TRUE(waitForTapThreads());
  mac.keyboard().press(platform::vmac::keycode::function);
  ASSERT_TRUE(pumpUntil([&] { return !controller->lastTestedKey().empty(); }));
  EXPECT_EQ(text("keyTester.readout"), "keyCode 63 (модификатор)  fn=true  flags=0x800100");
  mac.keyboard().release(platform::vmac::keycode::function);

  node(build(), "keyTester.button").action();
  EXPECT_FALSE(controller->isTesting());
  EXPECT_FALSE(has("keyTester.readout"));

  // Closing the window while a test runs ends the test (and its tap).
  node(build(), "keyTester.button").action();
  ASSERT_EQ(listenOnlyTaps(), 1U);
  node(build(), "cancel").action();
  EXPECT_FALSE(controller->isTesting());
  EXPECT_EQ(listenOnlyTaps(), 0U);

  controller->apply(TriggerKind::fn, AppLanguage::ru, false);
  open();
  node(build(), "keyTester.button").action();
  EXPECT_EQ(text("keyTester.readout"), "жду нажатия…");
  EXPECT_EQ(text("keyTester.button"), "Стоп");
}

}  // namespace
}  // namespace kestravane
