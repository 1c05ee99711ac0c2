#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Platform/Host/DispatchQueues.h"
#include "Platform/Host/HostThreads.h"
#include "Platform/Host/ManualClock.h"
#include "Platform/Host/SystemUptimeClock.h"

namespace kestravane::platform::host {
namespace {

using namespace std::chrono_literals;

class MainQueueTest : public ::testing::Test {
 protected:
  // Records a block's name with the clock reading at which it ran.
  std::function<void()> note(std::string name) {
    return [this, name] {
      ran.push_back(name + "@" + std::to_string(clock->uptimeNanos() / 1'000'000));
    };
  }

  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>();
  std::shared_ptr<HostThreads> threads = std::make_shared<HostThreads>();
  DispatchQueues dispatch{clock, threads};
  std::vector<std::string> ran;  // main thread only
};

TEST_F(MainQueueTest, PendingBlocksRunInOrderAndDelayedOnesWaitForTheClock) {
  dispatch.mainQueue()->async(note("a"));
  dispatch.asyncAfterOnMain(1.0, note("later"));
  dispatch.mainQueue()->async(note("b"));
  EXPECT_TRUE(ran.empty());  // nothing runs until the main queue is driven

  EXPECT_EQ(dispatch.runPending(), 2u);
  EXPECT_EQ(ran, (std::vector<std::string>{"a@0", "b@0"}));
  dispatch.advance(0.999);
  EXPECT_EQ(ran.size(), 2u);
  dispatch.advance(0.001);
  EXPECT_EQ(ran.back(), "later@1000");
  EXPECT_EQ(dispatch.waitingCount(), 0u);
}

TEST_F(MainQueueTest, AdvanceRunsDelayedAndRepeatingWorkAtTheirOwnTimes) {
  auto timer = dispatch.scheduleRepeatingOnMain(1.5, note("tick"));
  dispatch.asyncAfterOnMain(1.0, note("once"));
  dispatch.asyncAfterOnMain(2.0, [this] {
    ran.push_back("nested@2000");
    dispatch.asyncAfterOnMain(0.5, note("fromBlock"));  // due before the advance ends
  });
  dispatch.advance(4.6);
  EXPECT_EQ(ran, (std::vector<std::string>{"once@1000", "tick@1500", "nested@2000",
                                           "fromBlock@2500", "tick@3000", "tick@4500"}));
  EXPECT_EQ(clock->uptimeNanos(), 4'600'000'000u);

  timer->cancel();
  timer->cancel();  // idempotent
  dispatch.advance(10);
  EXPECT_EQ(ran.size(), 6u);
}

TEST_F(MainQueueTest, DroppingTheTimerHandleStopsIt) {
  auto timer = dispatch.scheduleRepeatingOnMain(1.0, note("tick"));
  dispatch.advance(1.0);
  timer.reset();
  dispatch.advance(5.0);
  EXPECT_EQ(ran, (std::vector<std::string>{"tick@1000"}));
  EXPECT_FALSE(dispatch.nextDeadline().has_value());
}

TEST_F(MainQueueTest, BlocksPostedWhileRunningRunInTheSamePassButASelfRepostingOneIsBounded) {
  dispatch.mainQueue()->async([this] {
    ran.push_back("first");
    dispatch.mainQueue()->async(note("second"));
  });
  EXPECT_EQ(dispatch.runPending(), 2u);
  EXPECT_EQ(ran, (std::vector<std::string>{"first", "second@0"}));

  std::function<void()> forever = [&] { dispatch.mainQueue()->async(forever); };
  dispatch.mainQueue()->async(forever);
  EXPECT_EQ(dispatch.runPending(), DispatchQueues::kRunLimit);
}

TEST_F(MainQueueTest, WorkFromAnotherThreadWakesTheDriverAndRunsOnTheMainThread) {
  std::atomic<int> wakes{0};
  dispatch.setWakeHandler([&] { ++wakes; });
  EXPECT_FALSE(dispatch.waitForWork(5ms));  // nothing posted

  bool ranOnMain = false;
  std::thread poster([&] {
    std::this_thread::sleep_for(10ms);
    dispatch.mainQueue()->async([&] { ranOnMain = threads->isMainThread(); });
  });
  EXPECT_TRUE(dispatch.waitForWork(5s));
  poster.join();
  EXPECT_EQ(wakes.load(), 1);
  EXPECT_EQ(dispatch.runPending(), 1u);
  EXPECT_TRUE(ranOnMain);
}

TEST_F(MainQueueTest, NextDeadlineNamesTheEarliestWaitingWork) {
  EXPECT_FALSE(dispatch.nextDeadline().has_value());
  clock->set(5'000'000'000);
  dispatch.asyncAfterOnMain(3.0, [] {});
  dispatch.asyncAfterOnMain(1.5, [] {});
  EXPECT_EQ(dispatch.nextDeadline(), 6'500'000'000u);
  dispatch.mainQueue()->async([] {});
  EXPECT_EQ(dispatch.nextDeadline(), 5'000'000'000u);
}

TEST(VirtualDispatchRealClockTest, DelayedWorkRunsWhenItsTimeHasComeWithoutAdvance) {
  DispatchQueues dispatch(std::make_shared<SystemUptimeClock>());
  bool ran = false;
  dispatch.asyncAfterOnMain(0.01, [&] { ran = true; });
  EXPECT_EQ(dispatch.runDue(), 0u);
  EXPECT_TRUE(dispatch.waitForWork(5s));  // wakes at the due time by itself
  EXPECT_EQ(dispatch.runDue(), 1u);
  EXPECT_TRUE(ran);
  EXPECT_THROW(dispatch.advance(1), std::logic_error);
}

TEST(VirtualSerialQueueTest, BlocksRunInOrderOneAtATimeOffTheSubmittingThread) {
  DispatchQueues dispatch(std::make_shared<ManualClock>());
  auto queue = dispatch.createSerialQueue("kestravane.fire");
  EXPECT_EQ(queue->label(), "kestravane.fire");
  std::mutex mutex;
  std::vector<int> order;
  std::vector<std::thread::id> where;
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  for (int i = 0; i < 50; ++i) {
    queue->async([&, i] {
      if (inside.fetch_add(1) != 0) overlapped = true;
      std::this_thread::yield();
      {
        std::lock_guard lock(mutex);
        order.push_back(i);
        where.push_back(std::this_thread::get_id());
      }
      inside.fetch_sub(1);
    });
  }
  queue.reset();  // submitted blocks still run; the queue's end waits for them
  ASSERT_EQ(order.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(order[i], i);
  EXPECT_FALSE(overlapped.load());
  EXPECT_NE(where.front(), std::this_thread::get_id());
  EXPECT_EQ(std::count(where.begin(), where.end(), where.front()), 50);
}

TEST(VirtualSerialQueueTest, QueueMayBeDroppedFromABlockRunningOnIt) {
  DispatchQueues dispatch(std::make_shared<ManualClock>());
  auto queue = dispatch.createSerialQueue("kestravane.fire");
  auto done = std::make_shared<std::promise<void>>();
  auto finished = done->get_future();
  auto* raw = queue.get();
  raw->async([queue = std::move(queue), done]() mutable {
    queue.reset();  // the last reference goes on the queue's own thread
    done->set_value();
  });
  EXPECT_EQ(finished.wait_for(5s), std::future_status::ready);
}

TEST(VirtualSerialQueueTest, DrainWaitsForTheBlocksSubmittedSoFarAndCountsWhatRan) {
  DispatchQueues dispatch(std::make_shared<ManualClock>());
  auto fire = dispatch.createSerialQueue("kestravane.fire");
  auto other = dispatch.createSerialQueue("kestravane.other");
  EXPECT_TRUE(dispatch.drainSerialQueues(5s)) << "nothing submitted, nothing to wait for";
  EXPECT_EQ(dispatch.serialBlocksRun("kestravane.fire"), 0u);

  std::promise<void> gate;
  std::shared_future<void> opened = gate.get_future().share();
  std::atomic<int> ran{0};
  auto captured = std::make_shared<int>(0);
  fire->async([opened, &ran] {
    opened.wait();
    ++ran;
  });
  fire->async([captured, &ran] { ++ran; });
  other->async([] {});

  EXPECT_FALSE(dispatch.drainSerialQueues(20ms, "kestravane.fire")) << "its first block waits";
  EXPECT_EQ(dispatch.serialBlocksRun("kestravane.fire"), 0u);
  EXPECT_TRUE(dispatch.drainSerialQueues(5s, "kestravane.other")) << "another label's queue";
  EXPECT_EQ(dispatch.serialBlocksRun("kestravane.other"), 1u);

  gate.set_value();
  ASSERT_TRUE(dispatch.drainSerialQueues(5s, "kestravane.fire"));
  EXPECT_EQ(ran.load(), 2);
  EXPECT_EQ(captured.use_count(), 1) << "a drained block has released what it captured";
  ASSERT_TRUE(dispatch.drainSerialQueues(5s));
  EXPECT_EQ(dispatch.serialBlocksRun("kestravane.fire"), 2u) << "draining runs no block of its own";
  EXPECT_EQ(dispatch.serialBlocksRun("kestravane.none"), 0u);
}

}  // namespace
}  // namespace kestravane::platform::host
