#include "Platform/Virtual/Demo/QtMainQueueDriver.h"

#include <QTest>
#include <atomic>
#include <memory>
#include <thread>

#include "Platform/Demo/DemoTestRegistry.h"
#include "Platform/Virtual/SystemUptimeClock.h"

namespace kestravane::platform::vmac::demo {
namespace {

class QtMainQueueDriverTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    clock = std::make_shared<SystemUptimeClock>();
    threads = std::make_shared<VirtualThreads>();
    dispatch = std::make_unique<VirtualDispatch>(clock, threads);
  }
  void cleanup() { dispatch.reset(); }

  void blocksFromOtherThreadsRunInTheQtLoopOnTheMainThread() {
    QtMainQueueDriver driver(*dispatch, *clock);
    QVERIFY(!driver.timerArmed());  // idle: nothing to wait for
    std::atomic<int> ran{0};
    bool onMainThread = false;
    std::thread submitter([&] {
      dispatch->mainQueue()->async([&] {
        onMainThread = threads->isMainThread();
        ++ran;
      });
    });
    submitter.join();
    QTRY_COMPARE(ran.load(), 1);
    QVERIFY(onMainThread);
    QVERIFY(!driver.timerArmed());
  }

  void delayedWorkArmsOneTimerForItsDueTime() {
    QtMainQueueDriver driver(*dispatch, *clock);
    bool ran = false;
    dispatch->asyncAfterOnMain(0.2, [&] { ran = true; });
    QTRY_VERIFY(driver.timerArmed());
    QVERIFY(driver.timerIntervalMs() > 100 && driver.timerIntervalMs() <= 200);
    QVERIFY(!ran);
    QTRY_VERIFY_WITH_TIMEOUT(ran, 2000);
    QVERIFY(!driver.timerArmed());
  }

  void aRepeatingTimerRunsUntilCancelledAndThenNothingWaits() {
    QtMainQueueDriver driver(*dispatch, *clock);
    int ticks = 0;
    auto timer = dispatch->scheduleRepeatingOnMain(0.02, [&] { ++ticks; });
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 3, 2000);
    timer->cancel();
    QTRY_VERIFY(!driver.timerArmed());
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
  std::shared_ptr<SystemUptimeClock> clock;
  std::shared_ptr<VirtualThreads> threads;
  std::unique_ptr<VirtualDispatch> dispatch;
};

const testing::RegisterTest<QtMainQueueDriverTest> registration("QtMainQueueDriverTest");

}  // namespace
}  // namespace kestravane::platform::vmac::demo

#include "QtMainQueueDriverTests.moc"
