// The demo window's keyboard on a virtual Mac without the program: what the mouse and the host's
// keys do is read back from what the window server delivered to the front application.
#include <QCheckBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTest>
#include <vector>

#include "Platform/Demo/DemoTestRegistry.h"
#include "Platform/Demo/QtWaiting.h"
#include "Platform/Virtual/Demo/DemoWindow.h"
#include "Platform/Virtual/Demo/ForegroundAppView.h"
#include "Platform/Virtual/Demo/KeyCap.h"
#include "Platform/Virtual/Demo/VirtualKeyboardView.h"
#include "Platform/Virtual/VirtualMac.h"
#include "Support/VirtualMacRig.h"

namespace kestravane::platform::vmac::demo {
namespace {

// What Qt reports for the key that types ф on a host with a Russian layout (U+0424).
constexpr int kKeyCyrillicEf = 0x0424;
constexpr EventFlags kShiftDown = kFlagShift | 0x2;  // general flag and left Shift's device bit

Event keyEvent(EventType type, const char* key, EventFlags flags) {
  return Event{type, keyByName(key)->code, flags | kFlagNonCoalesced, 0};
}

class KeyboardInputTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    rig = std::make_unique<testing_support::VirtualMacRig>();
    mac = &rig->mac;
    // The keys are clicked faster than the keyboard's Caps Lock delay: lift it, as `hidutil
    // property --set '{"CapsLockDelayOverride":0}'` does on a Mac.
    mac->hidSystem().setCapsLockDelayOverride(VirtualHIDSystem::kBuiltInKeyboardId, 0);
    window = std::make_unique<DemoWindow>(*mac);
    window->show();
  }
  void cleanup() {
    window.reset();
    rig.reset();
  }

  void holdingAKeyWithTheMousePressesOnDownAndReleasesOnUp() {
    KeyCap* a = cap("a");
    QTest::mousePress(a, Qt::LeftButton);
    QCOMPARE(received(), (std::vector{keyEvent(kEventKeyDown, "a", 0)}));
    QVERIFY(a->isDown());
    QTest::mouseRelease(a, Qt::LeftButton);
    QCOMPARE(received(),
             (std::vector{keyEvent(kEventKeyDown, "a", 0), keyEvent(kEventKeyUp, "a", 0)}));
    QVERIFY(!a->isDown());

    // fn held and let go: one flags-changed each way.
    mac->windowServer().clearReceivedEvents();
    KeyCap* fn = cap("fn");
    QTest::mousePress(fn, Qt::LeftButton);
    QCOMPARE(received(), (std::vector{keyEvent(kEventFlagsChanged, "fn", kFlagSecondaryFn)}));
    QTest::mouseRelease(fn, Qt::LeftButton);
    QCOMPARE(received().back(), keyEvent(kEventFlagsChanged, "fn", 0));
    QVERIFY(typed(QString("a")));
  }

  void keysPressedElsewhereShowOnTheKeyboard() {
    mac->keyboard().press(keycode::capsLock);  // a test or a tool, not the window
    mac->keyboard().press(keycode::shift);
    QVERIFY(testing_support::waitProcessingEvents(
        [&] { return cap("capsLock")->isLightOn() && cap("leftShift")->isDown(); }));
    mac->keyboard().release(keycode::shift);
    QVERIFY(testing_support::waitProcessingEvents([&] { return !cap("leftShift")->isDown(); }));
  }

  void rightClickLatchesAModifierForAChord() {
    QTest::mouseClick(cap("leftShift"), Qt::RightButton);
    QTest::mouseClick(cap("a"), Qt::LeftButton);
    QTest::mouseClick(cap("leftShift"), Qt::RightButton);
    QCOMPARE(received(), (std::vector{keyEvent(kEventFlagsChanged, "leftShift", kShiftDown),
                                      keyEvent(kEventKeyDown, "a", kShiftDown),
                                      keyEvent(kEventKeyUp, "a", kShiftDown),
                                      keyEvent(kEventFlagsChanged, "leftShift", 0)}));
    QVERIFY(typed(QString("A")));
  }

  void capsLockLightsUpAndTypesCapitals() {
    mac->preferences().setRomanSwitchState(0);  // the key switches no input source
    KeyCap* capsLock = cap("capsLock");
    QTest::mouseClick(capsLock, Qt::LeftButton);
    QVERIFY(capsLock->isLightOn());
    QTest::mouseClick(cap("a"), Qt::LeftButton);
    QTest::mouseClick(capsLock, Qt::LeftButton);
    QVERIFY(!capsLock->isLightOn());
    QTest::mouseClick(cap("a"), Qt::LeftButton);
    QVERIFY(typed(QString("Aa")));
  }

  void hostKeysTypeByPositionWithTheirFlags() {
    VirtualKeyboardView* keys = window->keyboardView();
    sendHostKey(keys, QEvent::KeyPress, Qt::Key_Shift, 50);
    sendHostKey(keys, QEvent::KeyPress, kKeyCyrillicEf, 38);  // a host with a Russian layout
    sendHostKey(keys, QEvent::KeyRelease, kKeyCyrillicEf, 38);
    sendHostKey(keys, QEvent::KeyRelease, Qt::Key_Shift, 50);
    sendHostKey(keys, QEvent::KeyPress, Qt::Key_AltGr, 108);  // right Alt: right Command
    sendHostKey(keys, QEvent::KeyRelease, Qt::Key_AltGr, 108);
    sendHostKey(keys, QEvent::KeyPress, Qt::Key_Tab, 23);  // not taken for focus changes
    sendHostKey(keys, QEvent::KeyRelease, Qt::Key_Tab, 23);
    const EventFlags rightCommandDown = kFlagCommand | kFlagDeviceRightCommand;
    QCOMPARE(received(),
             (std::vector{keyEvent(kEventFlagsChanged, "leftShift", kShiftDown),
                          keyEvent(kEventKeyDown, "a", kShiftDown),
                          keyEvent(kEventKeyUp, "a", kShiftDown),
                          keyEvent(kEventFlagsChanged, "leftShift", 0),
                          keyEvent(kEventFlagsChanged, "rightCommand", rightCommandDown),
                          keyEvent(kEventFlagsChanged, "rightCommand", 0),
                          keyEvent(kEventKeyDown, "tab", 0), keyEvent(kEventKeyUp, "tab", 0)}));
    QVERIFY(typed(QString("A\t")));
  }

  void hostAutoRepeatRepeatsAndLosingFocusLetsHeldKeysGo() {
    VirtualKeyboardView* keys = window->keyboardView();
    sendHostKey(keys, QEvent::KeyPress, Qt::Key_Shift, 50);
    sendHostKey(keys, QEvent::KeyPress, Qt::Key_A, 38);
    sendHostKey(keys, QEvent::KeyRelease, Qt::Key_A, 38, true);  // X11 repeats as pairs
    sendHostKey(keys, QEvent::KeyPress, Qt::Key_A, 38, true);
    QFocusEvent focusOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(keys, &focusOut);
    auto events = received();
    QCOMPARE(events.size(), std::size_t{5});
    QCOMPARE(events[2].autorepeat, std::int64_t{1});
    QCOMPARE(events[2].keyCode, std::int64_t{keycode::a});
    // Both held keys are let go (in key-code order); neither stays down on the virtual Mac.
    QCOMPARE(events[3], keyEvent(kEventKeyUp, "a", kShiftDown));
    QCOMPARE(events[4], keyEvent(kEventFlagsChanged, "leftShift", 0));
    QVERIFY(!mac->keyboard().isDown(keycode::shift));
    // A release whose press the window never saw sends nothing.
    sendHostKey(keys, QEvent::KeyRelease, Qt::Key_B, 56);
    QCOMPARE(received().size(), std::size_t{5});

    // Closing the window lets go of what the host still holds, too.
    sendHostKey(keys, QEvent::KeyPress, Qt::Key_Control, 37);
    QVERIFY(mac->keyboard().isDown(keycode::control));
    window.reset();
    QVERIFY(!mac->keyboard().isDown(keycode::control));
  }

 private:
  KeyCap* cap(const char* name) {
    KeyCap* key = window->keyboardView()->keyCap(keyByName(name)->code);
    if (!key) qFatal("no keycap %s", name);
    return key;
  }
  std::vector<Event> received() { return mac->windowServer().receivedEvents(); }
  // The front application shows `text` once the GUI thread has run what it was handed.
  bool typed(const QString& text) {
    return testing_support::waitProcessingEvents(
        [&] { return window->foregroundApp()->text() == text; });
  }
  static void sendHostKey(QWidget* target, QEvent::Type type, int qtKey, quint32 scanCode,
                          bool autoRepeat = false) {
    QKeyEvent key(type, qtKey, Qt::NoModifier, scanCode, 0, 0, QString(), autoRepeat);
    QCoreApplication::sendEvent(target, &key);
  }

  std::unique_ptr<testing_support::VirtualMacRig> rig;
  VirtualMac* mac = nullptr;
  std::unique_ptr<DemoWindow> window;
};

const testing::RegisterTest<KeyboardInputTest> registration("KeyboardInputTest");

}  // namespace
}  // namespace kestravane::platform::vmac::demo

#include "KeyboardInputTests.moc"
