// The settings window as a user meets it: shown by "Settings…", drawn at its fixed width,
// answering Return, Escape and its close button, keeping pending values until Done, redrawing
// in place on the periodic check, and making the application regular only while it is shown.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Kestravane/Ui/SettingsWindow.h"
#include "UiTestSupport.h"

namespace kestravane {
namespace {

using platform::ActivationPolicy;
using testing_support::UiTest;

class SettingsWindowTest : public UiTest {
 protected:
  void SetUp() override {
    readyMac();
    startApp();
    window().present();
    settle();
    ASSERT_TRUE(window().isVisible());
  }

  ui::SettingsWindow& window() { return app->settingsWindow(); }

  template <typename Widget>
  Widget& element(const std::string& id) {
    auto* widget = qobject_cast<Widget*>(testing_support::shown(window(), id));
    if (!widget) throw std::runtime_error("no widget " + id);
    return *widget;
  }
  // One option of the trigger picker.
  QRadioButton& triggerOption(int index) {
    auto* option = testing_support::shown(window(), "trigger.picker")
                       ->findChild<QRadioButton*>(QString("trigger.picker/%1").arg(index));
    if (!option) throw std::runtime_error("no trigger option");
    return *option;
  }
  std::string text(const std::string& id) {
    QWidget* widget = testing_support::shown(window(), id);
    if (auto* label = qobject_cast<QLabel*>(widget)) return label->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
      return button->text().toStdString();
    }
    throw std::runtime_error("no text " + id);
  }
  void click(const std::string& id) {
    QTest::mouseClick(testing_support::shown(window(), id), Qt::LeftButton);
    settle();
  }
  void press(Qt::Key key) {
    QTest::keyClick(&window(), key);
    settle();
  }
};

TEST_F(SettingsWindowTest, ShownItIsRegularAtAFixedWidthAndGoneItIsAnAccessoryAgain) {
  EXPECT_EQ(mac.application().activationPolicy(), ActivationPolicy::regular);
  EXPECT_EQ(window().width(), 460);
  EXPECT_EQ(window().minimumSize(), window().maximumSize()) << "not resizable";
  EXPECT_EQ(window().windowTitle().toStdString(), "Plivex Settings");
  EXPECT_EQ(element<QComboBox>("language.picker").width(), 160);
  EXPECT_EQ(text("status.line"), "🟢 Active");

  closeByCloseButton(window());
  settle();
  EXPECT_FALSE(window().isVisible());
  EXPECT_EQ(mac.application().activationPolicy(), ActivationPolicy::accessory);
}

// The window makes each setting's control from its row alone: named by the row's key and
// labelled with the row's text, a choice with one option per value the model offers.
TEST_F(SettingsWindowTest, EverySettingHasAControlNamedAndLabelledByItsRow) {
  const Strings texts = controller->texts();
  forEachSetting([&](const auto& row) {
    const std::string key(row.key);
    SCOPED_TRACE(key);
    const bool box = row.widget == SettingWidget::checkBox;
    EXPECT_EQ(text(box ? key : key + ".header"), texts[row.label]);
    const auto options = window().model().options(row).size();
    if (row.widget == SettingWidget::popUp) {
      EXPECT_EQ(static_cast<std::size_t>(element<QComboBox>(key + ".picker").count()), options);
    }
    if (row.widget == SettingWidget::radioButtons) {
      EXPECT_EQ(static_cast<std::size_t>(testing_support::shown(window(), key + ".picker")
                                             ->findChildren<QRadioButton*>()
                                             .size()),
                options);
    }
  });
}

TEST_F(SettingsWindowTest, EscapeCancelsThePendingChoicesAndReopeningShowsTheStoredOnes) {
  triggerOption(1).click();
  element<QCheckBox>("launchAtLogin").click();
  settle();
  EXPECT_TRUE(triggerOption(1).isChecked());

  press(Qt::Key_Escape);
  EXPECT_FALSE(window().isVisible());
  EXPECT_EQ(controller->config(), PlivexConfig::defaults());
  EXPECT_EQ(mac.loginItems().registerCallCount(), 0);
  EXPECT_EQ(mac.application().activationPolicy(), ActivationPolicy::accessory);

  window().present();
  settle();
  EXPECT_TRUE(triggerOption(0).isChecked());
  EXPECT_FALSE(element<QCheckBox>("launchAtLogin").isChecked());
}

TEST_F(SettingsWindowTest, ReturnIsDoneAndTheNewLanguageShowsOnlyAfterIt) {
  triggerOption(2).click();
  auto& language = element<QComboBox>("language.picker");
  language.setCurrentIndex(1);
  emit language.activated(1);  // as the user's choice in the pop-up
  settle();
  EXPECT_EQ(text("title"), "Plivex Settings") << "the applied language until Done";
  EXPECT_EQ(language.currentIndex(), 1);

  const auto tapsBefore = tapsCreated();
  // Return works wherever the focus is that does not use the key itself.
  element<QPushButton>("cancel").setFocus();
  press(Qt::Key_Return);
  EXPECT_FALSE(window().isVisible());
  EXPECT_EQ(controller->config(), PlivexConfig(TriggerKind::rightCommand, AppLanguage::ru, false));
  EXPECT_EQ(tapsCreated(), tapsBefore + 1);

  window().present();
  settle();
  EXPECT_EQ(text("title"), "Настройки Plivex");
  EXPECT_EQ(window().windowTitle().toStdString(), "Настройки Plivex");
  EXPECT_EQ(text("done"), "Готово");
}

TEST_F(SettingsWindowTest, DoneAndCancelButtonsCloseTheWindow) {
  const auto tapsBefore = tapsCreated();
  click("done");
  EXPECT_FALSE(window().isVisible());
  EXPECT_EQ(tapsCreated(), tapsBefore + 1) << "Done without changes still applies";

  window().present();
  settle();
  click("cancel");
  EXPECT_FALSE(window().isVisible());
  EXPECT_EQ(tapsCreated(), tapsBefore + 1);
}

// The pending values are what the controls hold, and the window tells Done, Cancel (its button
// or Escape) and the close button apart, though Cancel and the close button both drop them.
TEST_F(SettingsWindowTest, PendingFollowsTheControlsAndEachWayOfClosingIsTold) {
  using Dismissal = ui::SettingsWindow::Dismissal;
  EXPECT_EQ(window().pending(), PlivexConfig::defaults());
  triggerOption(1).click();
  element<QCheckBox>("launchAtLogin").click();
  settle();
  EXPECT_EQ(window().pending(), PlivexConfig(TriggerKind::capsLock, AppLanguage::en, true));
  EXPECT_EQ(controller->config(), PlivexConfig::defaults()) << "nothing applied before Done";

  const std::vector<std::pair<std::function<void()>, Dismissal>> ways{
      {[&] { click("cancel"); }, Dismissal::cancel},
      {[&] { press(Qt::Key_Escape); }, Dismissal::cancel},
      {[&] { window().close(); }, Dismissal::closeButton},
  };
  for (const auto& [closeIt, expected] : ways) {
    window().present();
    settle();
    triggerOption(2).click();
    closeIt();
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(window().lastDismissal(), expected);
    EXPECT_EQ(controller->config(), PlivexConfig::defaults());
  }
  window().present();
  settle();
  EXPECT_EQ(window().pending().trigger, TriggerKind::fn) << "reloaded from the stored record";
  triggerOption(2).click();
  press(Qt::Key_Return);
  EXPECT_EQ(window().lastDismissal(), Dismissal::done);
  EXPECT_EQ(controller->config().trigger, TriggerKind::rightCommand);
}

TEST_F(SettingsWindowTest, ThePeriodicCheckChangesNothingShownAndANewRemedyAppears) {
  const SettingsState before = window().shown();
  advanceAndSettle(AppController::kPollIntervalSeconds);
  EXPECT_EQ(window().shown(), before);

  click("status.toggle");
  EXPECT_EQ(text("status.line"), "⚪️ Disabled");
  EXPECT_EQ(text("status.toggle"), "Enable");

  mac.permissions().setAccessibilityTrusted(false);
  click("status.toggle");
  click("status.refresh");
  EXPECT_EQ(text("status.line"), "🟠 Needs Accessibility");
  EXPECT_EQ(text("status.requestAccessibility"), "② Request Accessibility");
  EXPECT_EQ(text("status.openAccessibilitySettings"), "Open settings…");
  click("status.openAccessibilitySettings");
  EXPECT_EQ(mac.workspace().openedURLs().size(), 1U);
}

TEST_F(SettingsWindowTest, TheKeyTesterShowsItsReadoutAndStopsWhenTheWindowCloses) {
  EXPECT_EQ(testing_support::shown(window(), "keyTester.readout"), nullptr);
  click("keyTester.button");
  ASSERT_TRUE(controller->isTesting());
  EXPECT_EQ(text("keyTester.button"), "Stop");
  EXPECT_EQ(text("keyTester.readout"), "waiting for a key…");
  const QFontMetrics readout(testing_support::shown(window(), "keyTester.readout")->font());
  EXPECT_EQ(readout.horizontalAdvance("iiii"), readout.horizontalAdvance("MMMM")) << "monospaced";

  ASSERT_TRUE(waitForTapThreads());  // the tester's tap is off until its thread takes it up
  // Held past the keyboard's Caps Lock delay, which would hold a quicker press back.
  mac.holdKey(platform::vmac::keycode::capsLock, platform::vmac::Keyboard::kCapsLockDelayMs);
  ASSERT_TRUE(pumpUntil([&] { return !controller->lastTestedKey().empty(); }));
  settle();
  EXPECT_EQ(text("keyTester.readout"), controller->lastTestedKey());

  closeByCloseButton(window());
  settle();
  EXPECT_FALSE(controller->isTesting());
  EXPECT_EQ(listenOnlyTaps(), 0U);
}

// A save that fails shows in the window, below the status, with its reason.
TEST(SettingsWindowSaveTest, AFailedSaveShowsItsLineUntilTheWindowIsClosed) {
  platform::vmac::VirtualMacOptions options;
  options.defaultsFile = "/dev/null/plivex/defaults.json";  // its folder is no folder
  platform::vmac::VirtualMac failing(options);
  failing.grantAllPermissions();
  const auto other = AppController::create(failing.services());
  {
    PlivexApp app(other);
    auto& window = app.settingsWindow();
    window.present();
    QCoreApplication::processEvents();
    EXPECT_EQ(testing_support::shown(window, "status.saveProblem"), nullptr);
    QTest::mouseClick(testing_support::shown(window, "done"), Qt::LeftButton);
    window.present();
    QCoreApplication::processEvents();
    auto* line = qobject_cast<QLabel*>(testing_support::shown(window, "status.saveProblem"));
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->text().startsWith("⚠️ Settings not saved: "))
        << line->text().toStdString();
    EXPECT_TRUE(line->text().contains("Not a directory"));
    window.close();
  }
  other->stopEngine();
}

}  // namespace
}  // namespace kestravane
