// The demo window over the real program: an application controller on a virtual Mac whose main
// queue the test drives (the test's thread is the main thread), and time moves only when the
// test advances the manual clock.
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Kestravane/AppController.h"
#include "Kestravane/HeadlessWindowHost.h"
#include "Platform/Demo/DemoTestRegistry.h"
#include "Platform/Demo/QtWaiting.h"
#include "Platform/Virtual/Demo/ActivityView.h"
#include "Platform/Virtual/Demo/DemoWindow.h"
#include "Platform/Virtual/Demo/DockStrip.h"
#include "Platform/Virtual/Demo/ForegroundAppView.h"
#include "Platform/Virtual/Demo/KeyCap.h"
#include "Platform/Virtual/Demo/MenuBarStrip.h"
#include "Platform/Virtual/Demo/SystemControlsPanel.h"
#include "Platform/Virtual/Demo/VirtualKeyboardView.h"
#include "Platform/Virtual/VirtualMac.h"
#include "Support/VirtualMacRig.h"

namespace kestravane::platform::vmac::demo {
namespace {

class DemoWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    rig = std::make_unique<testing_support::VirtualMacRig>();
    mac = &rig->mac;
    controller = AppController::create(mac->services());
    controller->setWindowHost(host);
    mac->dispatch().runPending();  // the start-up's onboarding check
    window = std::make_unique<DemoWindow>(*mac);
    statusMenu = std::make_unique<QMenu>();
    statusMenu->addAction("Plivex is off");
    window->setStatusItem(drawnPlivexIcon(), statusMenu.get());
    window->show();
  }

  void cleanup() {
    window.reset();
    controller.reset();
    rig.reset();
  }

  // Through the window's own widgets: grant everything, free the Globe key, tap fn, type "a".
  void aLoneFnTapSwitchesWhatTheFrontApplicationTypesToRussian() {
    SystemControlsPanel* controls = window->systemControls();
    clickSwitch(controls->accessibilitySwitch());
    clickSwitch(controls->inputMonitoringSwitch());
    QComboBox* globe = controls->globeKeyChoice();
    globe->setCurrentIndex(globe->findText("Do Nothing (0)"));
    QVERIFY(mac->permissions().accessibilityTrusted() && mac->permissions().inputMonitoring());

    mac->dispatch().advance(AppController::kPollIntervalSeconds);  // the periodic check
    QVERIFY(pumpUntil([&] { return controller->isRunning(); }));
    QCOMPARE(window->menuBarStrip()->inputSourceName(), QString("U.S."));

    QTest::mouseClick(cap(keycode::function), Qt::LeftButton);
    QVERIFY(pumpUntil([&] { return window->menuBarStrip()->inputSourceName() == "Russian"; }));
    QTest::mouseClick(cap(keycode::a), Qt::LeftButton);
    QVERIFY(pumpUntil([&] { return window->foregroundApp()->text() == QString("ф"); }));

    // The press of fn reached the application; its release, swallowed, never did.
    const QStringList lines = window->foregroundApp()->eventLines();
    QVERIFY2(lines.contains("flags changed: fn down   [fn]"), qPrintable(lines.join('\n')));
    QVERIFY(!lines.filter("fn up").size());
    QCOMPARE(cap(keycode::a)->legend(), QString("Ф"));
  }

  // The GUI thread handles the release of a quick fn tap 450 ms late (a slow repaint): the tap
  // is timed by the host's stamps on the key events, and still switches. A hold stays a hold.
  void aLoneTapHandledLateStillSwitches() {
    mac->grantAllPermissions();
    mac->preferences().setFnUsageType(0);
    mac->dispatch().advance(AppController::kPollIntervalSeconds);  // the periodic check
    QVERIFY(pumpUntil([&] { return controller->isRunning(); }));
    VirtualKeyboardView* keys = window->keyboardView();

    const auto tapFn = [&](quint64 pressedAt, quint64 releasedAt) {
      sendStampedKey(keys, QEvent::KeyPress, pressedAt);
      mac->clock().advanceMillis(450);
      sendStampedKey(keys, QEvent::KeyRelease, releasedAt);
    };
    const auto selections = [&] { return mac->inputSources().selectCallCount(); };
    tapFn(70'000, 70'100);
    QVERIFY(pumpUntil([&] { return selections() == 1; }));
    QCOMPARE(mac->inputSources().currentSourceID(), std::optional<std::string>(kRussian));

    tapFn(80'000, 80'400);  // held 400 ms: no switch
    tapFn(90'000, 90'050);  // the next lone tap switches back
    QVERIFY(pumpUntil([&] { return selections() >= 2; }));
    mac->dispatch().runPending();
    QCOMPARE(selections(), 2);
    QCOMPARE(mac->inputSources().currentSourceID(), std::optional<std::string>(kUS));
  }

  // However long the session, the front application's text box keeps only its newest text.
  void theFrontApplicationKeepsItsNewestText() {
    ForegroundAppView* front = window->foregroundApp();
    const Event a{kEventKeyDown, keycode::a, kFlagNonCoalesced, 0};
    const Event s{kEventKeyDown, keycode::s, kFlagNonCoalesced, 0};
    // Past the limit, and past it again after the first trim.
    for (int i = 0; i < 2 * ForegroundAppView::kTextLimit; ++i) front->receive(a, std::nullopt);
    front->receive(s, std::nullopt);
    QVERIFY(front->text().size() <= ForegroundAppView::kTextLimit);
    QVERIFY(front->text().size() >= ForegroundAppView::kTextLimit / 2);
    QVERIFY(front->text().endsWith("aas"));
    QCOMPARE(front->eventLines().size(), ForegroundAppView::kEventListLimit);
  }

  void whatTheProgramDoesShowsInTheWindow() {
    // Lines logged before the window was made are there from the start.
    window.reset();
    mac->log().log("Plivex[test] a line logged earlier");
    window = std::make_unique<DemoWindow>(*mac);
    QVERIFY(window->activityView()->logText().contains("a line logged earlier"));

    controller->open(std::string(AppController::kAccessibilitySettingsURL));
    controller->setLaunchAtLogin(true);
    mac->application().setActivationPolicy(ActivationPolicy::regular);
    mac->log().log("Plivex[test] a line logged later");
    QVERIFY(pumpUntil([&] {
      return window->activityView()->openedURLs() ==
                 QStringList{QString::fromUtf8(AppController::kAccessibilitySettingsURL)} &&
             window->systemControls()->loginItemChoice()->currentText() == "Enabled" &&
             window->dockStrip()->showsApplication() &&
             window->activityView()->logText().contains("a line logged later");
    }));

    mac->application().setActivationPolicy(ActivationPolicy::accessory);
    QVERIFY(pumpUntil([&] { return !window->dockStrip()->showsApplication(); }));
  }

  void switchesChangeTheVirtualMacAndFollowItsChanges() {
    SystemControlsPanel* controls = window->systemControls();
    clickSwitch(controls->inputSourceSwitch("com.apple.keylayout.German"));
    QVERIFY(mac->inputSources().sources().back().enabled);
    clickSwitch(controls->secureInputSwitch());
    QVERIFY(mac->permissions().secureInput());
    QComboBox* login = controls->loginItemChoice();
    login->setCurrentIndex(login->findText("Not found"));
    QCOMPARE(mac->loginItems().currentStatus(), LoginItemStatus::notFound);
    QComboBox* capsLock = controls->capsLockSwitchingChoice();
    QCOMPARE(capsLock->currentText(), QString("Never chosen (absent: on)"));
    capsLock->setCurrentIndex(capsLock->findText("Off (0)"));
    QVERIFY(!mac->preferences().romanSwitchOn());

    int wakes = 0;
    const auto observation = mac->services()->workspace->addDidWakeObserver([&] { ++wakes; });
    QTest::mouseClick(controls->wakeButton(), Qt::LeftButton);
    mac->dispatch().runPending();
    QCOMPARE(wakes, 1);

    // Changes made elsewhere show up: a layout disabled, the current source switched away.
    mac->inputSources().setEnabled("com.apple.keylayout.German", false);
    mac->inputSources().setCurrentSource("com.apple.keylayout.Russian");
    QVERIFY(pumpUntil([&] {
      return !controls->inputSourceSwitch("com.apple.keylayout.German")->isChecked() &&
             window->menuBarStrip()->inputSourceName() == "Russian";
    }));
    mac->preferences().setFnUsageType(2);
    mac->preferences().setRomanSwitchState(1);
    QVERIFY(pumpUntil([&] {
      return controls->globeKeyChoice()->currentText() == "Show Emoji & Symbols (2)" &&
             controls->capsLockSwitchingChoice()->currentText() == "On (1)";
    }));
  }

  void theWindowRendersToAPicture() {
    QTemporaryDir directory;
    const QString path = directory.filePath("demo.png");
    QVERIFY(renderDemoWindow(*window, path));
    const QImage picture(path);
    QVERIFY(!picture.isNull());
    QVERIFY(picture.width() >= window->keyboardView()->sizeHint().width());
    QVERIFY(!renderDemoWindow(*window, directory.filePath("missing/demo.png")));
  }

 private:
  static constexpr const char* kUS = "com.apple.keylayout.US";
  static constexpr const char* kRussian = "com.apple.keylayout.Russian";

  KeyCap* cap(std::uint16_t code) { return window->keyboardView()->keyCap(code); }

  // The host's Insert key (fn/Globe in the demo), stamped by the host at `hostMillis`.
  static void sendStampedKey(QWidget* target, QEvent::Type type, quint64 hostMillis) {
    QKeyEvent key(type, Qt::Key_Insert, Qt::NoModifier, 118, 0, 0);
    key.setTimestamp(hostMillis);
    QCoreApplication::sendEvent(target, &key);
  }

  static void clickSwitch(QCheckBox* box) {
    QVERIFY(box);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
  }

  // Drives the main queue, letting the GUI thread run what it was handed, until `condition`
  // holds; work from the tap and fire threads is waited for briefly.
  bool pumpUntil(const std::function<bool()>& condition) {
    return testing_support::waitProcessingEvents(condition, testing_support::kDefaultWait,
                                                 &mac->dispatch());
  }

  std::unique_ptr<testing_support::VirtualMacRig> rig;
  VirtualMac* mac = nullptr;
  std::shared_ptr<HeadlessWindowHost> host = std::make_shared<HeadlessWindowHost>();
  std::shared_ptr<AppController> controller;
  std::unique_ptr<DemoWindow> window;
  std::unique_ptr<QMenu> statusMenu;
};

const testing::RegisterTest<DemoWindowTest> registration("DemoWindowTest");

}  // namespace
}  // namespace kestravane::platform::vmac::demo

#include "DemoWindowTests.moc"
