#include "Platform/Virtual/Demo/QtMainQueueDriver.h"

#include <QTest>
#include <atomic>
#include <memory>
#include <thread>

#include "Platform/Demo/DemoTestRegistry.h"
#include "Platform/Demo/QtWaiting.h"
#include "Support/VirtualMacRig.h"

namespace kestravane::platform::vmac::demo {
namespace {

class QtMainQueueDriverTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    auto options = testing_support::VirtualMacRig::defaultOptions();
    options.manualClock = false;  // the driver waits in real time
    rig = std::make_unique<testing_support::VirtualMacRig>(
        testing_support::VirtualMacRig::Start::fresh, options);
    dispatch = &rig->mac.dispatch();
    clock = rig->services()->clock.get();
  }
  void cleanup() { rig.reset(); }

  void blocksFromOtherThreadsRunInTheQtLoopOnTheMainThread() {
    QtMainQueueDriver driver(*dispatch, *clock);
    QVERIFY(!driver.timerArmed());  // idle: nothing to wait for
    std::atomic<int> ran{0};
    bool onMainThread = false;
    std::thread submitter([&] {
      dispatch->mainQueue()->async([&] {
        onMainThread = rig->threads.isMainThread();
        ++ran;
      });
    });
    submitter.join();
    QVERIFY(testing_support::waitProcessingEvents([&] { return ran.load() == 1; }));
    QVERIFY(onMainThread);
    QVERIFY(!driver.timerArmed());
  }

  void delayedWorkArmsOneTimerForItsDueTime() {
    QtMainQueueDriver driver(*dispatch, *clock);
    bool ran = false;
    dispatch->asyncAfterOnMain(1.0, [&] { ran = true; });
    // Armed for what is left of the second, however late the loop came round (a loaded machine).
    QVERIFY(testing_support::waitProcessingEvents([&] { return driver.timerArmed(); }));
    QVERIFY(driver.timerIntervalMs() >= 0 && driver.timerIntervalMs() <= 1000);
    QVERIFY(!ran);
    QVERIFY(testing_support::waitProcessingEvents([&] { return ran; }));
    QVERIFY(!driver.timerArmed());
  }

  void aRepeatingTimerRunsUntilCancelledAndThenNothingWaits() {
    QtMainQueueDriver driver(*dispatch, *clock);
    int ticks = 0;
    auto timer = dispatch->scheduleRepeatingOnMain(0.02, [&] { ++ticks; });
    QVERIFY(testing_support::waitProcessingEvents([&] { return ticks >= 3; }));
    timer->cancel();
    QVERIFY(testing_support::waitProcessingEvents([&] { return !driver.timerArmed(); }));
    const int after = ticks;
    QTest::qWait(60);
    QCOMPARE(ticks, after);
  }

  void aWakeArrivingAfterTheDriverIsGoneDoesNothing() {
    bool ran = false;
    {
      QtMainQueueDriver driver(*dispatch, *clock);
      dispatch->mainQueue()->async([&] { ran = true; });  // its wake is queued in Qt's loop
    }
    QCoreApplication::processEvents();
    QVERIFY(!ran);
    QCOMPARE(dispatch->waitingCount(), std::size_t{1});  // still waits for the next driver
  }

 private:
  std::unique_ptr<testing_support::VirtualMacRig> rig;
  VirtualDispatch* dispatch = nullptr;
  const Clock* clock = nullptr;
};

const testing::RegisterTest<QtMainQueueDriverTest> registration("QtMainQueueDriverTest");

}  // namespace
}  // namespace kestravane::platform::vmac::demo

#include "QtMainQueueDriverTests.moc"
