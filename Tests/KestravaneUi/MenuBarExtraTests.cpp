// The menu-bar extra as a user meets it: the menu rebuilt (after a reconcile) each time it
// opens, its items clicked, the icon following the health, and an open menu left alone by the
// periodic check unless what it shows changed.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <string>
#include <vector>

#include "Kestravane/Ui/MenuBarExtra.h"
#include "Kestravane/Ui/SettingsWindow.h"
#include "UiTestSupport.h"

namespace kestravane {
namespace {

using platform::ActivationPolicy;
using Role = MenuItem::Role;
using testing_support::kRussian;
using testing_support::UiTest;

class MenuBarExtraTest : public UiTest {
 protected:
  QMenu& menu() { return *app->menuBarExtra().menu(); }

  void open() {
    menu().popup(QPoint(10, 10));
    settle();
  }

  void click(Role role) { click(actionWith(menu(), role)); }
  void click(const std::string& text) {
    QAction* found = nullptr;
    for (QAction* action : menu().actions()) {
      if (action->text().toStdString() == text) found = action;
    }
    click(found);
  }
  void click(QAction* action) {
    ASSERT_NE(action, nullptr);
    QTest::mouseClick(&menu(), Qt::LeftButton, {}, menu().actionGeometry(action).center());
    settle();
  }

  std::vector<std::string> texts() {
    std::vector<std::string> all;
    for (QAction* action : menu().actions()) {
      all.push_back(action->isSeparator() ? "--" : action->text().toStdString());
    }
    return all;
  }
};

TEST_F(MenuBarExtraTest, OpeningTheMenuReconcilesAndShowsTheItemsAsTheyAreThen) {
  readyMac();
  storeConfig(TriggerKind::capsLock);
  mac.inputSources().setEnabled(kRussian, false);
  startApp();
  ASSERT_EQ(controller->health(), EngineHealth::needsLayouts);

  // A second layout enabled meanwhile: the opening re-lists the layouts and starts the engine.
  mac.inputSources().setEnabled(kRussian, true);
  open();
  EXPECT_TRUE(controller->isRunning());
  EXPECT_EQ(texts(), (std::vector<std::string>{"🟢 Active", "--", "Trigger: Caps Lock", "--",
                                               "Settings…", "Disable", "Quit"}));
  for (QAction* action : menu().actions()) {
    if (action->isSeparator()) continue;
    const bool button = action->data().toInt() == static_cast<int>(Role::settings) ||
                        action->data().toInt() == static_cast<int>(Role::toggleEnabled) ||
                        action->data().toInt() == static_cast<int>(Role::quit);
    EXPECT_EQ(action->isEnabled(), button) << action->text().toStdString();
    EXPECT_TRUE(action->shortcut().isEmpty());
  }
  EXPECT_EQ(app->menuBarExtra().symbolName(), "keyboard.fill");
  EXPECT_EQ(app->menuBarExtra().trayIcon().toolTip(), "Plivex");
}

TEST_F(MenuBarExtraTest, ClickingTheOnOffItemSwitchesAndTheIconFollows) {
  readyMac();
  startApp();
  QSignalSpy iconChanges(&app->menuBarExtra(), &ui::MenuBarExtra::iconChanged);
  open();
  click(Role::toggleEnabled);
  EXPECT_FALSE(controller->isRunning());
  EXPECT_FALSE(controller->userEnabled());
  EXPECT_EQ(app->menuBarExtra().symbolName(), "keyboard");
  EXPECT_EQ(iconChanges.count(), 1);
  EXPECT_FALSE(app->menuBarExtra().icon().isNull());

  open();
  EXPECT_EQ(texts().front(), "⚪️ Disabled");
  EXPECT_EQ(actionWith(menu(), Role::toggleEnabled)->text().toStdString(), "Enable");
  click(Role::toggleEnabled);
  EXPECT_TRUE(controller->isRunning());
  EXPECT_EQ(app->menuBarExtra().symbolName(), "keyboard.fill");
  EXPECT_EQ(iconChanges.count(), 2);
}

TEST_F(MenuBarExtraTest, TheProblemGroupsButtonsAskForAccessibilityAndOpenItsPane) {
  startApp();
  open();
  EXPECT_EQ(texts(),
            (std::vector<std::string>{"🟠 Needs Accessibility", "--", "② Request Accessibility",
                                      "   Open settings…", "--", "Trigger: Fn", "--", "Settings…",
                                      "Enable", "Quit"}));
  EXPECT_EQ(app->menuBarExtra().symbolName(), "exclamationmark.triangle.fill");
  click("② Request Accessibility");
  EXPECT_EQ(mac.accessibility().promptsShown(), 1U);
  open();
  click("   Open settings…");
  ASSERT_EQ(mac.workspace().openedURLs().size(), 1U);
  EXPECT_EQ(mac.workspace().openedURLs().front().absoluteString,
            AppController::kAccessibilitySettingsURL);
}

TEST_F(MenuBarExtraTest, ARefusedTapOffersToAddPlivexToAccessibilityAgain) {
  // The system refuses the tap of a trusted program: the health says the tap is disabled, and the
  // remedy is the one that mends a stale Accessibility entry.
  mac.permissions().setAccessibilityTrusted(true);
  mac.preferences().setRomanSwitchState(0);
  storeConfig(TriggerKind::capsLock);
  startApp();
  ASSERT_EQ(controller->health(), EngineHealth::tapDisabled);
  open();
  EXPECT_EQ(texts(),
            (std::vector<std::string>{"🟠 Tap disabled by system", "--",
                                      "Remove Plivex from Accessibility, then add it again…", "--",
                                      "Trigger: Caps Lock", "--", "Settings…", "Enable", "Quit"}));
}

TEST_F(MenuBarExtraTest, SettingsOpensTheWindowAboveOtherApplicationsAndQuitTerminates) {
  readyMac();
  startApp();
  const int activations = mac.application().activationCount();
  open();
  click(Role::settings);
  EXPECT_TRUE(app->settingsWindow().isVisible());
  EXPECT_EQ(mac.application().activationPolicy(), ActivationPolicy::regular);
  EXPECT_GE(mac.application().activationCount(), activations + 1);

  // Chosen again while the window is open: the same window, brought forward.
  open();
  click(Role::settings);
  EXPECT_TRUE(app->settingsWindow().isVisible());
  EXPECT_EQ(mac.application().activationPolicy(), ActivationPolicy::regular);

  open();
  click(Role::quit);
  EXPECT_EQ(mac.application().terminationCount(), 1);
}

TEST_F(MenuBarExtraTest, AnOpenMenuIsRefilledOnlyWhenWhatItShowsChanges) {
  readyMac();
  startApp();
  open();
  ASSERT_TRUE(menu().isVisible());
  QAction* const before = actionWith(menu(), Role::toggleEnabled);

  advanceAndSettle(AppController::kPollIntervalSeconds);  // the check publishes the same state
  EXPECT_EQ(actionWith(menu(), Role::toggleEnabled), before) << "refilled without a change";

  controller->toggleEnabled();  // from the settings window, say
  settle();
  ASSERT_TRUE(menu().isVisible());
  EXPECT_EQ(texts().front(), "⚪️ Disabled");
  EXPECT_EQ(actionWith(menu(), Role::toggleEnabled)->text().toStdString(), "Enable");
}

TEST_F(MenuBarExtraTest, ADesktopWithoutATraySaysSoOnce) {
  startApp();
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "the offscreen platform has none";
  EXPECT_EQ(logCount("Plivex[app] no system tray"), 1U);
  // The menu and the icon stay available to a stand-in menu bar.
  EXPECT_NE(app->menuBarExtra().menu(), nullptr);
  EXPECT_FALSE(app->menuBarExtra().icon().isNull());
}

}  // namespace
}  // namespace kestravane
