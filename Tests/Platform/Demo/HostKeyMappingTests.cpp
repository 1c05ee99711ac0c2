#include "Platform/Virtual/Demo/HostKeyMapping.h"

#include <cstdint>
#include <vector>

#include <QKeyEvent>
#include <QTest>

#include "Platform/Demo/DemoTestRegistry.h"
#include "Platform/Virtual/Demo/HostInputTime.h"
#include "Platform/Virtual/KeyTable.h"

namespace kestravane::platform::vmac::demo {
namespace {

// What Qt reports for the key that types ф on a host with a Russian layout (U+0424).
constexpr int kKeyCyrillicEf = 0x0424;

std::uint16_t code(const char* name) {
  return keyByName(name)->code;
}

QKeyEvent hostKey(int qtKey, quint32 scanCode, const QString& text = {}) {
  return QKeyEvent(QEvent::KeyPress, qtKey, Qt::NoModifier, scanCode, 0, 0, text);
}

class HostKeyMappingTest : public QObject {
  Q_OBJECT
 private slots:
  void scanCodesNameKeysByPosition() {
    struct Case {
      quint32 scanCode;
      const char* key;
    };
    for (const auto& c : {Case{38, "a"},
                          Case{24, "q"},
                          Case{52, "z"},
                          Case{10, "digit1"},
                          Case{19, "digit0"},
                          Case{65, "space"},
                          Case{36, "return"},
                          Case{22, "delete"},
                          Case{66, "capsLock"},
                          Case{50, "leftShift"},
                          Case{62, "rightShift"},
                          Case{37, "leftControl"},
                          Case{64, "leftOption"},
                          Case{133, "leftCommand"},
                          Case{134, "rightCommand"},
                          Case{108, "rightCommand"},
                          Case{118, "fn"},
                          Case{111, "upArrow"},
                          Case{113, "leftArrow"},
                          Case{49, "grave"},
                          Case{94, "section"}}) {
      QCOMPARE(macKeyForScanCode(c.scanCode), std::optional<std::uint16_t>(code(c.key)));
    }
    QCOMPARE(macKeyForScanCode(0), std::nullopt);
    QCOMPARE(macKeyForScanCode(107), std::nullopt);  // Print Screen has no Mac key
  }

  void everyMappedScanCodeIsAKeyOfTheTable() {
    int mapped = 0;
    for (quint32 scanCode = 0; scanCode < 512; ++scanCode) {
      if (auto key = macKeyForScanCode(scanCode)) {
        QVERIFY2(keyByCode(*key) != nullptr, qPrintable(QString::number(scanCode)));
        ++mapped;
      }
    }
    QVERIFY(mapped > 90);  // the whole main block, function keys, navigation, keypad
  }

  void withoutAScanCodeTheQtKeyDecides() {
    QCOMPARE(macKeyForQtKey(Qt::Key_A), std::optional<std::uint16_t>(code("a")));
    QCOMPARE(macKeyForQtKey(Qt::Key_5), std::optional<std::uint16_t>(code("digit5")));
    QCOMPARE(macKeyForQtKey(Qt::Key_Return), std::optional<std::uint16_t>(code("return")));
    QCOMPARE(macKeyForQtKey(Qt::Key_Insert), std::optional<std::uint16_t>(code("fn")));
    QCOMPARE(macKeyForQtKey(Qt::Key_Meta), std::optional<std::uint16_t>(code("leftCommand")));
    QCOMPARE(macKeyForQtKey(Qt::Key_AltGr), std::optional<std::uint16_t>(code("rightCommand")));
    QCOMPARE(macKeyForQtKey(kKeyCyrillicEf), std::nullopt);

    const QKeyEvent synthesised = hostKey(Qt::Key_Z, 0, "z");
    QCOMPARE(macKeyFor(synthesised), std::optional<std::uint16_t>(code("z")));
  }

  void theScanCodeWinsOverTheHostsLayout() {
    // A host with a Russian layout reports ф for the key where a Mac has A; a German host
    // reports Z where a Mac has Y.
    const QKeyEvent russian = hostKey(kKeyCyrillicEf, 38, "ф");
    QCOMPARE(macKeyFor(russian), std::optional<std::uint16_t>(code("a")));
    const QKeyEvent german = hostKey(Qt::Key_Z, 29, "z");
    QCOMPARE(macKeyFor(german), std::optional<std::uint16_t>(code("y")));
    // A scan code the mapping leaves out falls back to the Qt key.
    const QKeyEvent unknown = hostKey(Qt::Key_Escape, 300);
    QCOMPARE(macKeyFor(unknown), std::optional<std::uint16_t>(code("escape")));
  }
};

const testing::RegisterTest<HostKeyMappingTest> registration("HostKeyMappingTest");

// The host's input times on the uptime clock: relative times as the host stamped them, however
// late the GUI thread handles them.
class HostInputTimeTest : public QObject {
  Q_OBJECT
 private slots:
  void eventsKeepTheHostsSpacingAndNeverRunAhead() {
    constexpr std::uint64_t kMs = 1'000'000;
    struct Step {
      std::uint64_t hostMillis;  // 0: no stamp
      std::uint64_t handledAt;   // uptime, ms
      std::uint64_t expected;    // uptime, ms
    };
    const std::vector<Step> steps{
        {50'000, 1'000, 1'000},  // the first event relates the clocks
        {50'100, 1'450, 1'100},  // handled 350 ms late: placed when it happened
        {50'200, 1'460, 1'200}, {50'300, 1'310, 1'300},  // handled almost at once
        {0, 1'500, 1'500},                               // no stamp: now
        {50'320, 1'505, 1'500},                          // never before what was already handed out
        {10, 1'600, 1'600},   // the host's clock began anew: related again
        {110, 1'650, 1'650},  // handled sooner than the one before: a better relation
    };
    HostInputTime time;
    for (const auto& step : steps) {
      QCOMPARE(time.uptimeOf(step.hostMillis, step.handledAt * kMs), step.expected * kMs);
    }
  }
};

const testing::RegisterTest<HostInputTimeTest> inputTimeRegistration("HostInputTimeTest");

}  // namespace
}  // namespace kestravane::platform::vmac::demo

#include "HostKeyMappingTests.moc"
