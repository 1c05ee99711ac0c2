// The Linux program's main queue inside Qt's event loop: work posted from another thread runs
// on the Qt thread, delayed work runs when due and not before, and nothing is armed while
// nothing waits. On the real clock, with delays of milliseconds.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <thread>

#include "Kestravane/Linux/MainQueueDriver.h"
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane {
namespace {

using platform::vmac::VirtualMac;
using platform::vmac::VirtualMacOptions;

VirtualMacOptions realClock() {
  VirtualMacOptions options;
  options.manualClock = false;
  return options;
}

TEST(MainQueueDriverTest, WorkFromAnotherThreadRunsOnTheQtThread) {
  VirtualMac mac(realClock());
  linux_app::MainQueueDriver driver(mac.dispatch(), mac.services()->clock);
  std::atomic<bool> ranOnMain{false};
  std::thread([&] {
    mac.services()->dispatch->mainQueue()->async(
        [&] { ranOnMain = mac.services()->threads->isMainThread(); });
  }).join();
  EXPECT_TRUE(QTest::qWaitFor([&] { return ranOnMain.load(); }, 2000));
  EXPECT_FALSE(driver.isWaitingForDeadline());
}

TEST(MainQueueDriverTest, DelayedWorkRunsWhenDueAndNotBefore) {
  VirtualMac mac(realClock());
  linux_app::MainQueueDriver driver(mac.dispatch(), mac.services()->clock);
  const auto start = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point ranAt{};
  mac.services()->dispatch->asyncAfterOnMain(0.08,
                                             [&] { ranAt = std::chrono::steady_clock::now(); });
  QCoreApplication::processEvents();
  EXPECT_TRUE(driver.isWaitingForDeadline());
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return ranAt != std::chrono::steady_clock::time_point{}; }, 2000));
  EXPECT_GE(ranAt - start, std::chrono::milliseconds(80));
  EXPECT_FALSE(driver.isWaitingForDeadline()) << "nothing else waits: no timer";
}

TEST(MainQueueDriverTest, ARepeatingTimerKeepsTheNextDeadlineArmedUntilCancelled) {
  VirtualMac mac(realClock());
  linux_app::MainQueueDriver driver(mac.dispatch(), mac.services()->clock);
  int runs = 0;
  auto timer = mac.services()->dispatch->scheduleRepeatingOnMain(0.02, [&] { ++runs; });
  EXPECT_TRUE(QTest::qWaitFor([&] { return runs >= 3; }, 2000));
  timer->cancel();
  QCoreApplication::processEvents();
  driver.pump();
  EXPECT_FALSE(driver.isWaitingForDeadline());
}

// Each deadline wakes the loop once: a timer that fired early would find nothing due and wake it
// again for the last milliseconds.
TEST(MainQueueDriverTest, EachDeadlineOfARepeatingTimerIsOneWakeUp) {
  VirtualMac mac(realClock());
  linux_app::MainQueueDriver driver(mac.dispatch(), mac.services()->clock);
  QEventLoop loop;
  int runs = 0;
  auto timer = mac.services()->dispatch->scheduleRepeatingOnMain(0.25, [&] {
    if (++runs == 6) loop.quit();
  });
  QCoreApplication::processEvents();  // the start-up wake and the one that arms the timer
  const auto before = driver.wakeUps();
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);  // should the runs never come
  loop.exec();  // sleeps in the loop until each deadline, as the program does
  timer->cancel();
  EXPECT_EQ(runs, 6);
  EXPECT_EQ(driver.wakeUps() - before, 6U);
}

}  // namespace
}  // namespace kestravane
