// The menu-bar menu's content: which items each health brings, with which texts in English and
// Russian, which are selectable, and what each one does on the virtual Mac.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AppTestSupport.h"
#include "Kestravane/MenuContent.h"

namespace kestravane {
namespace {

using testing_support::AppTest;
using testing_support::kRussian;
using Kind = MenuItem::Kind;

// What an item is: its role, or for a remedy which remedy.
enum class Role {
  demoInstead,
  status,
  saveProblem,
  separator,
  requestAccessibility,
  openAccessibilitySettings,
  needLayoutsHint,
  openKeyboardSettings,
  freeGlobe,
  freeCapsLock,
  reAddAccessibility,
  trigger,
  settings,
  toggleEnabled,
  quit,
};

Role roleOf(const MenuItem& item) {
  using R = MenuItem::Role;
  switch (item.role) {
    case R::demoInstead:
      return Role::demoInstead;
    case R::status:
      return Role::status;
    case R::saveProblem:
      return Role::saveProblem;
    case R::separator:
      return Role::separator;
    case R::trigger:
      return Role::trigger;
    case R::settings:
      return Role::settings;
    case R::toggleEnabled:
      return Role::toggleEnabled;
    case R::quit:
      return Role::quit;
    case R::remedy:
      break;
  }
  return static_cast<Role>(static_cast<int>(Role::requestAccessibility) +
                           static_cast<int>(item.remedy.value()));
}

std::vector<Role> rolesOf(const MenuDescription& menu) {
  std::vector<Role> roles;
  for (const auto& item : menu.items) roles.push_back(roleOf(item));
  return roles;
}

std::vector<std::string> textsOf(const MenuDescription& menu) {
  std::vector<std::string> texts;
  for (const auto& item : menu.items) {
    if (item.kind != Kind::separator) texts.push_back(item.text);
  }
  return texts;
}

const MenuItem& itemWith(const MenuDescription& menu, Role role) {
  for (const auto& item : menu.items) {
    if (roleOf(item) == role) return item;
  }
  throw std::runtime_error("no such item");
}

// The items every menu ends with, after the problem group (if any).
const std::vector<Role> kTail{Role::separator, Role::trigger,       Role::separator,
                              Role::settings,  Role::toggleEnabled, Role::quit};

std::vector<Role> withTail(std::vector<Role> head) {
  head.insert(head.end(), kTail.begin(), kTail.end());
  return head;
}

struct HealthCase {
  std::string name;
  EngineHealth health;
  bool hasAccessibility;
  std::vector<Role> roles;
  std::string symbol;
};

void PrintTo(const HealthCase& c, std::ostream* out) {
  *out << c.name;
}

const std::string kWarning = "exclamationmark.triangle.fill";

class MenuItemsTest : public AppTest, public testing::WithParamInterface<HealthCase> {};

TEST_P(MenuItemsTest, ShowTheProblemGroupOnlyForAProblemAndOnlyTheRemediesThatApply) {
  const HealthCase& c = GetParam();
  readyMac();
  launch();
  const MenuContent content(controller, [] {});
  const auto menu = content.build({.health = c.health,
                                   .hasAccessibility = c.hasAccessibility,
                                   .trigger = TriggerKind::fn,
                                   .isRunning = false,
                                   .saveProblem = std::nullopt,
                                   .texts = Strings(AppLanguage::en)});
  EXPECT_EQ(rolesOf(menu), c.roles);
  EXPECT_EQ(menu.symbolName, c.symbol);
  EXPECT_EQ(menu.title, "Plivex");
  for (const auto& item : menu.items) {
    EXPECT_EQ(item.enabled(), item.kind == Kind::button);
    EXPECT_EQ(static_cast<bool>(item.action), item.kind == Kind::button);
  }
}

INSTANTIATE_TEST_SUITE_P(
    MenuContent, MenuItemsTest,
    testing::Values(
        HealthCase{"Active", EngineHealth::active, true, withTail({Role::status}), "keyboard.fill"},
        HealthCase{"DisabledWithoutAccessibility", EngineHealth::disabled, false,
                   withTail({Role::status}), "keyboard"},
        HealthCase{"SecureInputIsNoProblem", EngineHealth::secureInput, false,
                   withTail({Role::status}), kWarning},
        HealthCase{"NoAccessibility", EngineHealth::noAccessibility, false,
                   withTail({Role::status, Role::separator, Role::requestAccessibility,
                             Role::openAccessibilitySettings}),
                   kWarning},
        HealthCase{"NeedsLayouts", EngineHealth::needsLayouts, true,
                   withTail({Role::status, Role::separator, Role::needLayoutsHint,
                             Role::openKeyboardSettings}),
                   kWarning},
        HealthCase{"GlobeNotFree", EngineHealth::globeNotFree, true,
                   withTail({Role::status, Role::separator, Role::freeGlobe}), kWarning},
        HealthCase{"CapsLockNotFree", EngineHealth::capsLockNotFree, true,
                   withTail({Role::status, Role::separator, Role::freeCapsLock}), kWarning},
        HealthCase{"CapsLockNotFreeAndAccessibility", EngineHealth::capsLockNotFree, false,
                   withTail({Role::status, Role::separator, Role::requestAccessibility,
                             Role::openAccessibilitySettings, Role::freeCapsLock}),
                   kWarning},
        HealthCase{"NeedsLayoutsAndAccessibilityInTheirOrder", EngineHealth::needsLayouts, false,
                   withTail({Role::status, Role::separator, Role::requestAccessibility,
                             Role::openAccessibilitySettings, Role::needLayoutsHint,
                             Role::openKeyboardSettings}),
                   kWarning},
        HealthCase{"GlobeNotFreeAndAccessibility", EngineHealth::globeNotFree, false,
                   withTail({Role::status, Role::separator, Role::requestAccessibility,
                             Role::openAccessibilitySettings, Role::freeGlobe}),
                   kWarning},
        // A trusted program whose tap is refused: its Accessibility entry must be made again.
        HealthCase{"TapDisabledOffersToAddAccessibilityAgain", EngineHealth::tapDisabled, true,
                   withTail({Role::status, Role::separator, Role::reAddAccessibility}), kWarning},
        HealthCase{"NoInputMonitoringGroupIsASeparatorAlone", EngineHealth::noInputMonitoring, true,
                   withTail({Role::status, Role::separator}), kWarning}),
    [](const testing::TestParamInfo<HealthCase>& info) { return info.param.name; });

class MenuTextsTest : public AppTest {
 protected:
  void SetUp() override {
    readyMac();
    launch();
  }

  MenuDescription build(EngineHealth health, AppLanguage language, TriggerKind trigger,
                        bool isRunning, bool hasAccessibility = false) {
    return MenuContent(controller, [] {})
        .build({.health = health,
                .hasAccessibility = hasAccessibility,
                .trigger = trigger,
                .isRunning = isRunning,
                .saveProblem = std::nullopt,
                .texts = Strings(language)});
  }
};

// A permission changed in System Settings shows in the next menu, not only after the next check.
TEST_F(MenuTextsTest, ThePermissionIsAskedAtEachBuild) {
  const MenuContent menu(controller, [] {});
  ASSERT_TRUE(menu.currentState().hasAccessibility);
  mac.permissions().setAccessibilityTrusted(false);
  EXPECT_FALSE(menu.currentState().hasAccessibility);
}

TEST_F(MenuTextsTest, EveryTextOfAProblemMenuInBothLanguages) {
  EXPECT_EQ(textsOf(build(EngineHealth::noAccessibility, AppLanguage::en, TriggerKind::fn, false)),
            (std::vector<std::string>{"🟠 Needs Accessibility", "② Request Accessibility",
                                      "   Open settings…", "Trigger: Fn", "Settings…", "Enable",
                                      "Quit"}));
  EXPECT_EQ(textsOf(build(EngineHealth::noAccessibility, AppLanguage::ru, TriggerKind::fn, false)),
            (std::vector<std::string>{"🟠 Нужен Accessibility", "② Запросить Accessibility",
                                      "   Открыть настройки…", "Триггер: Fn", "Настройки…",
                                      "Включить", "Выйти"}));
  EXPECT_EQ(textsOf(build(EngineHealth::needsLayouts, AppLanguage::en, TriggerKind::capsLock, false,
                          true)),
            (std::vector<std::string>{"🟠 Need ≥2 layouts", "Enable ≥2 layouts in macOS",
                                      "   Open keyboard settings…", "Trigger: Caps Lock",
                                      "Settings…", "Enable", "Quit"}));
  EXPECT_EQ(textsOf(build(EngineHealth::needsLayouts, AppLanguage::ru, TriggerKind::capsLock, false,
                          true)),
            (std::vector<std::string>{"🟠 Нужно ≥2 раскладок",
                                      "Включите ≥2 раскладок в системе",
                                      "   Открыть настройки клавиатуры…", "Триггер: Caps Lock",
                                      "Настройки…", "Включить", "Выйти"}));
  EXPECT_EQ(
      itemWith(build(EngineHealth::globeNotFree, AppLanguage::ru, TriggerKind::fn, false, true),
               Role::freeGlobe)
          .text,
      "Освободить Globe (Fn → Do Nothing)");
  EXPECT_EQ(
      textsOf(build(EngineHealth::capsLockNotFree, AppLanguage::en, TriggerKind::capsLock, false,
                    true)),
      (std::vector<std::string>{"🟠 Caps Lock occupied", "Free Caps Lock (ABC switching → Off)",
                                "Trigger: Caps Lock", "Settings…", "Enable", "Quit"}));
  EXPECT_EQ(textsOf(build(EngineHealth::capsLockNotFree, AppLanguage::ru, TriggerKind::capsLock,
                          false, true)),
            (std::vector<std::string>{"🟠 Caps Lock занят системой",
                                      "Освободить Caps Lock (переключение ABC → Off)",
                                      "Триггер: Caps Lock", "Настройки…", "Включить", "Выйти"}));
}

TEST_F(MenuTextsTest, TheTriggerRowAndTheOnOffItemFollowTheStateNotTheLanguageOfTheNames) {
  struct Case {
    TriggerKind trigger;
    AppLanguage language;
    bool isRunning;
    std::string triggerRow;
    std::string onOff;
  };
  const Case cases[] = {
      {TriggerKind::fn, AppLanguage::en, true, "Trigger: Fn", "Disable"},
      {TriggerKind::capsLock, AppLanguage::en, false, "Trigger: Caps Lock", "Enable"},
      {TriggerKind::rightCommand, AppLanguage::en, true, "Trigger: Right ⌘", "Disable"},
      {TriggerKind::rightCommand, AppLanguage::ru, true, "Триггер: Right ⌘", "Выключить"},
      {TriggerKind::capsLock, AppLanguage::ru, false, "Триггер: Caps Lock", "Включить"},
  };
  for (const auto& c : cases) {
    const auto menu = build(EngineHealth::active, c.language, c.trigger, c.isRunning);
    EXPECT_EQ(itemWith(menu, Role::trigger).text, c.triggerRow);
    EXPECT_EQ(itemWith(menu, Role::toggleEnabled).text, c.onOff);
  }
}

// The menu as built from the live controller.
class LiveMenuTest : public AppTest {
 protected:
  MenuContent content() {
    return MenuContent(controller, [this] {
      settingsOpened = true;
      activationsWhenSettingsOpened = mac.application().activationCount();
    });
  }
  bool settingsOpened = false;
  int activationsWhenSettingsOpened = -1;
};

TEST_F(LiveMenuTest, AccessibilityRevokedShowsAtTheNextOpeningOrCheck) {
  launchWithoutASecondLayout();
  ASSERT_EQ(controller->health(), EngineHealth::needsLayouts);
  EXPECT_EQ(
      rolesOf(content().build()),
      withTail({Role::status, Role::separator, Role::needLayoutsHint, Role::openKeyboardSettings}));

  // The periodic check reads the permission again: its remedies join the layouts' at once.
  mac.permissions().setAccessibilityTrusted(false);
  advance(AppController::kPollIntervalSeconds);
  EXPECT_FALSE(controller->hasAccessibility());
  EXPECT_EQ(controller->health(), EngineHealth::noAccessibility);

  // Granted again, opening the menu reconciles before it is built.
  mac.permissions().setAccessibilityTrusted(true);
  content().menuWillOpen();
  EXPECT_EQ(controller->health(), EngineHealth::needsLayouts);
  EXPECT_EQ(content().symbolName(), kWarning);
  EXPECT_EQ(
      rolesOf(content().build()),
      withTail({Role::status, Role::separator, Role::needLayoutsHint, Role::openKeyboardSettings}));
}

TEST_F(LiveMenuTest, AFailedSaveShowsBelowTheStatusUntilASaveSucceeds) {
  readyMac();
  launch();
  EXPECT_EQ(rolesOf(content().build()), withTail({Role::status}));
  const auto failed = content().build({.health = EngineHealth::active,
                                       .hasAccessibility = true,
                                       .trigger = TriggerKind::fn,
                                       .isRunning = true,
                                       .saveProblem = "File too large",
                                       .texts = Strings(AppLanguage::en)});
  EXPECT_EQ(rolesOf(failed), withTail({Role::status, Role::saveProblem}));
  EXPECT_EQ(itemWith(failed, Role::saveProblem).text, "⚠️ Settings not saved: File too large");
  EXPECT_FALSE(itemWith(failed, Role::saveProblem).enabled());
  EXPECT_EQ(itemWith(content().build({.health = EngineHealth::active,
                                      .hasAccessibility = true,
                                      .trigger = TriggerKind::fn,
                                      .isRunning = true,
                                      .saveProblem = "Permission denied",
                                      .texts = Strings(AppLanguage::ru)}),
                     Role::saveProblem)
                .text,
            "⚠️ Настройки не сохранены: Permission denied");
}

// A demo that runs instead of the desktop's own layouts says so first, in the menu's language;
// on a PC keyboard the trigger row names the key the user has.
TEST_F(LiveMenuTest, ADemoInsteadOfTheDesktopSaysSoFirstAndPcKeysAreNamedAsTheyAre) {
  readyMac();
  launch();
  EXPECT_EQ(rolesOf(content().build()), withTail({Role::status}));
  controller->setDemoInstead(true);
  const auto demo = content().build();
  EXPECT_EQ(rolesOf(demo), withTail({Role::demoInstead, Role::status}));
  EXPECT_EQ(itemWith(demo, Role::demoInstead).text,
            "⚠ Demo: this desktop's layouts are not switched");
  EXPECT_FALSE(itemWith(demo, Role::demoInstead).enabled());
  const auto russianPc =
      content().build({.health = EngineHealth::active,
                       .hasAccessibility = true,
                       .trigger = TriggerKind::rightCommand,
                       .isRunning = true,
                       .saveProblem = std::nullopt,
                       .texts = Strings(AppLanguage::ru, std::nullopt, Keyboard::pc)});
  EXPECT_EQ(itemWith(russianPc, Role::trigger).text, "Триггер: Right Super");
}

TEST_F(LiveMenuTest, OpeningTheMenuPicksUpASecondLayoutAndStartsTheEngine) {
  launchWithoutASecondLayout();
  runPending();
  mac.inputSources().setEnabled(kRussian, true);
  EXPECT_EQ(itemWith(content().build(), Role::status).text, "🟠 Need ≥2 layouts");

  content().menuWillOpen();
  const auto menu = content().build();
  EXPECT_EQ(itemWith(menu, Role::status).text, "🟢 Active");
  EXPECT_EQ(itemWith(menu, Role::toggleEnabled).text, "Disable");
  EXPECT_EQ(menu.symbolName, "keyboard.fill");
  EXPECT_TRUE(controller->isRunning());
}

TEST_F(LiveMenuTest, TheOnOffItemFollowsIsRunningAndTogglesTheUsersSwitch) {
  // Switching is on but the engine cannot run: the item offers Enable.
  launch();
  ASSERT_TRUE(controller->userEnabled());
  ASSERT_FALSE(controller->isRunning());
  itemWith(content().build(), Role::toggleEnabled).action();
  EXPECT_FALSE(controller->userEnabled());
  EXPECT_EQ(itemWith(content().build(), Role::toggleEnabled).text, "Enable");
  itemWith(content().build(), Role::toggleEnabled).action();
  EXPECT_TRUE(controller->userEnabled());
  EXPECT_FALSE(controller->isRunning()) << "still blocked";

  // Once nothing blocks it, the item stops a running engine and the health says disabled.
  readyMac();
  controller->reconcile();
  ASSERT_TRUE(controller->isRunning());
  EXPECT_EQ(itemWith(content().build(), Role::toggleEnabled).text, "Disable");
  itemWith(content().build(), Role::toggleEnabled).action();
  EXPECT_FALSE(controller->isRunning());
  const auto menu = content().build();
  EXPECT_EQ(itemWith(menu, Role::status).text, "⚪️ Disabled");
  EXPECT_EQ(menu.symbolName, "keyboard");
  EXPECT_EQ(activeTaps(), 0U);
}

TEST_F(LiveMenuTest, EachButtonDoesWhatItSays) {
  mac.permissions().setAccessibilityTrusted(false);
  mac.preferences().setFnUsageType(2);
  launch();
  // Accessibility missing: its two remedies.
  auto menu = content().build();
  itemWith(menu, Role::requestAccessibility).action();
  EXPECT_EQ(mac.accessibility().promptsShown(), 1U);
  itemWith(menu, Role::openAccessibilitySettings).action();

  // With Accessibility, the Globe key is what is missing, then (Caps Lock) the layouts.
  mac.permissions().setAccessibilityTrusted(true);
  controller->reconcile();
  itemWith(content().build(), Role::freeGlobe).action();
  mac.inputSources().setEnabled(kRussian, false);
  controller->apply({TriggerKind::capsLock, AppLanguage::en, false});
  itemWith(content().build(), Role::openKeyboardSettings).action();
  // With two layouts, the system's own Caps Lock switching (on, as macOS ships) is in the way.
  mac.inputSources().setEnabled(kRussian, true);
  controller->reconcile();
  itemWith(content().build(), Role::freeCapsLock).action();

  std::vector<std::string> opened;
  for (const auto& url : mac.workspace().openedURLs()) opened.push_back(url.absoluteString);
  EXPECT_EQ(opened, (std::vector<std::string>{std::string(AppController::kAccessibilitySettingsURL),
                                              std::string(AppController::kKeyboardSettingsURL),
                                              std::string(AppController::kKeyboardSettingsURL),
                                              std::string(AppController::kKeyboardSettingsURL)}));

  // Settings… activates the application first, then opens the window.
  const int before = mac.application().activationCount();
  itemWith(content().build(), Role::settings).action();
  EXPECT_TRUE(settingsOpened);
  EXPECT_EQ(activationsWhenSettingsOpened, before + 1);

  EXPECT_EQ(mac.application().terminationCount(), 0);
  itemWith(content().build(), Role::quit).action();
  EXPECT_EQ(mac.application().terminationCount(), 1);
}

TEST_F(LiveMenuTest, ANewLanguageShowsAtTheNextBuildAndTheTitleNeverChanges) {
  readyMac();
  launch();
  EXPECT_EQ(itemWith(content().build(), Role::settings).text, "Settings…");
  controller->apply({TriggerKind::fn, AppLanguage::ru, false});
  const auto russian = content().build();
  EXPECT_EQ(itemWith(russian, Role::settings).text, "Настройки…");
  EXPECT_EQ(itemWith(russian, Role::status).text, "🟢 Активно");
  EXPECT_EQ(russian.title, "Plivex");

  // The system language, read at every build.
  controller->apply({TriggerKind::fn, AppLanguage::system, false});
  mac.locale().setLanguageCode("ru");
  EXPECT_EQ(itemWith(content().build(), Role::quit).text, "Выйти");
  mac.locale().setLanguageCode("xx");
  EXPECT_EQ(itemWith(content().build(), Role::quit).text, "Quit");
}

}  // namespace
}  // namespace kestravane
