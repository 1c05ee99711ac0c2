// The onboarding window as a user meets it: opened at start-up when something is missing,
// titled "Plivex", centred and fixed in size; following the system every 1.5 seconds while it
// exists; closed by Return, its button or its close button, each telling the controller.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <string>

#include "Kestravane/Ui/QtOnboardingWindowHost.h"
#include "UiTestSupport.h"

namespace kestravane {
namespace {

using testing_support::kRussian;
using testing_support::UiTest;

class OnboardingWindowTest : public UiTest {
 protected:
  ui::OnboardingWindowWidget* window() { return app->windowHost().lastWindow(); }

  std::string text(const std::string& id) {
    auto* label = qobject_cast<QLabel*>(testing_support::shown(*window(), id));
    if (label) return label->text().toStdString();
    auto* button = qobject_cast<QPushButton*>(testing_support::shown(*window(), id));
    return button ? button->text().toStdString() : "";
  }
};

TEST_F(OnboardingWindowTest, OpensAtStartUpTitledCentredAndOfAFixedSize) {
  startApp();
  ASSERT_NE(window(), nullptr);
  ASSERT_TRUE(controller->hasOnboardingWindow());
  EXPECT_TRUE(window()->isVisible());
  EXPECT_EQ(window()->windowTitle().toStdString(), "Plivex");
  EXPECT_EQ(window()->width(), 460);
  EXPECT_EQ(window()->minimumSize(), window()->maximumSize());
  const auto flags = window()->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  const QPoint screenCentre = window()->screen()->availableGeometry().center();
  // Within the few points the window frame, known only once shown, may add.
  EXPECT_LE((window()->frameGeometry().center() - screenCentre).manhattanLength(), 8);
  EXPECT_EQ(text("title"), "Set up Plivex");
  EXPECT_EQ(text("close"), "Close");
}

// Accessibility granted in System Settings is announced to nobody: only a check finds it.
TEST_F(OnboardingWindowTest, ReChecksEveryOneAndAHalfSecondsWhileItExistsAndNotAfter) {
  readyMac();
  storeConfig(TriggerKind::capsLock);
  mac.permissions().setAccessibilityTrusted(false);
  startApp();
  ASSERT_NE(testing_support::shown(*window(), "step.accessibility"), nullptr);

  mac.permissions().setAccessibilityTrusted(true);
  advanceAndSettle(1.4);
  EXPECT_EQ(testing_support::shown(*window(), "allSet"), nullptr);
  advanceAndSettle(0.1);
  EXPECT_EQ(text("allSet"), "✓ All set — Plivex is active.");
  EXPECT_EQ(text("close"), "Done");

  const std::size_t waitingWithWindow = mac.dispatch().waitingCount();
  closeByCloseButton(*window());
  settle();
  EXPECT_FALSE(controller->hasOnboardingWindow());
  EXPECT_EQ(mac.dispatch().waitingCount(), waitingWithWindow - 1) << "its tick timer is gone";
}

TEST_F(OnboardingWindowTest, ReturnClosesItWhateverIsMissingAndTheWindowIsReleasedLater) {
  startApp();
  QPointer<ui::OnboardingWindowWidget> opened = window();
  ASSERT_TRUE(opened);
  // Escape is no way out here: the window has no cancel button.
  QTest::keyClick(opened.data(), Qt::Key_Escape);
  settle();
  EXPECT_TRUE(controller->hasOnboardingWindow());
  EXPECT_TRUE(opened->isVisible());

  QTest::keyClick(opened.data(), Qt::Key_Return);
  settle();
  EXPECT_FALSE(controller->hasOnboardingWindow());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(opened.isNull()) << "the controller dropped it, so it is deleted";
}

TEST_F(OnboardingWindowTest, ItsButtonsGrantAndClose) {
  startApp();
  QTest::mouseClick(testing_support::shown(*window(), "step.accessibility.button"), Qt::LeftButton);
  settle();
  EXPECT_EQ(mac.accessibility().promptsShown(), 1U);
  QTest::mouseClick(testing_support::shown(*window(), "step.globe.button"), Qt::LeftButton);
  EXPECT_EQ(mac.workspace().openedURLs().size(), 1U);

  QTest::mouseClick(testing_support::shown(*window(), "close"), Qt::LeftButton);
  settle();
  EXPECT_FALSE(controller->hasOnboardingWindow());
}

TEST_F(OnboardingWindowTest, NothingMissingNoWindow) {
  readyMac();
  startApp();
  EXPECT_EQ(window(), nullptr);
  EXPECT_FALSE(controller->hasOnboardingWindow());
}

}  // namespace
}  // namespace kestravane
