#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "Platform/Host/HostThreads.h"

namespace kestravane::platform::host {
namespace {

using namespace std::chrono_literals;

TEST(VirtualThreadsTest, StartedThreadIsListedWithItsNameAndQualityUntilItFinishes) {
  HostThreads threads;
  std::promise<void> release;
  auto released = release.get_future().share();
  std::promise<std::string> osName;
  std::promise<bool> isMain;
  auto thread = threads.create([&] {
    char name[16] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    osName.set_value(name);
    isMain.set_value(threads.isMainThread());
    released.wait();
  });
  thread->setName("kestravane.eventtap");
  thread->setQualityOfService(QualityOfService::userInteractive);
  EXPECT_TRUE(threads.liveThreads().empty());  // not started yet
  EXPECT_FALSE(thread->isFinished());
  thread->start();

  EXPECT_EQ(osName.get_future().get(), "kestravane.even");  // Linux keeps 15 characters
  EXPECT_FALSE(isMain.get_future().get());
  EXPECT_EQ(threads.liveThreads(),
            (std::vector<ThreadInfo>{{"kestravane.eventtap", QualityOfService::userInteractive}}));
  EXPECT_FALSE(thread->isFinished());

  release.set_value();
  ASSERT_TRUE(threads.waitUntilAllFinished(5s));
  EXPECT_TRUE(thread->isFinished());
  EXPECT_TRUE(threads.liveThreads().empty());
  EXPECT_EQ(threads.startedCount(), 1u);
  EXPECT_EQ(threads.finishedCount(), 1u);
  EXPECT_THROW(thread->start(), std::logic_error);
}

TEST(VirtualThreadsTest, HeldStartsRunTheirBodiesOnlyOnceReleased) {
  HostThreads threads;
  threads.setStartsHeld(true);
  std::atomic<int> ran{0};
  auto first = threads.create([&] { ran++; });
  first->start();
  auto second = threads.create([&] { ran++; });
  second->start();
  EXPECT_FALSE(threads.waitUntilAllFinished(50ms)) << "started, but held before the body";
  EXPECT_EQ(ran.load(), 0);
  EXPECT_EQ(threads.liveThreads().size(), 2u);

  threads.setStartsHeld(false);
  ASSERT_TRUE(threads.waitUntilAllFinished(5s));
  EXPECT_EQ(ran.load(), 2);

  // A machine torn down while holding releases its threads rather than waiting on them.
  auto late = std::make_unique<HostThreads>();
  late->setStartsHeld(true);
  late->create([] {})->start();
  late.reset();
}

TEST(VirtualThreadsTest, BodyCapturesAreReleasedBeforeTheThreadCountsAsFinished) {
  HostThreads threads;
  auto token = std::make_shared<int>(0);
  auto thread = threads.create([token] {});
  std::weak_ptr<int> watch = token;
  token.reset();
  thread->start();
  ASSERT_TRUE(threads.waitUntilAllFinished(5s));
  EXPECT_TRUE(watch.expired());
}

TEST(VirtualThreadsTest, DroppedThreadRunsToTheEndAndIsReaped) {
  HostThreads threads;
  std::atomic<int> ran{0};
  for (int i = 0; i < 5; ++i) {
    auto thread = threads.create([&] { ++ran; });
    thread->start();
  }  // handles dropped at once, as the program may do
  ASSERT_TRUE(threads.waitUntilAllFinished(5s));
  EXPECT_EQ(ran.load(), 5);
  EXPECT_EQ(threads.finishedCount(), 5u);
}

TEST(VirtualThreadsTest, MainThreadIsTheCreatorUntilAnotherIsNamed) {
  HostThreads threads;
  EXPECT_TRUE(threads.isMainThread());
  std::async(std::launch::async, [&] { threads.setMainThreadToCurrent(); }).get();
  EXPECT_FALSE(threads.isMainThread());
  threads.setMainThreadToCurrent();
  EXPECT_TRUE(threads.isMainThread());
}

TEST(VirtualThreadsTest, SleepReallySleeps) {
  HostThreads threads;
  const auto before = std::chrono::steady_clock::now();
  threads.sleepForTimeInterval(0.01);
  EXPECT_GE(std::chrono::steady_clock::now() - before, 10ms);
  threads.sleepForTimeInterval(-1);  // returns at once
}

TEST(VirtualThreadsTest, ShutdownDetachesAThreadThatOutlivesTheWaitWithoutHarm) {
  std::promise<void> done;
  auto finished = done.get_future();
  {
    HostThreads threads;
    threads.setExitWait(5ms);
    auto thread = threads.create([&done] {
      std::this_thread::sleep_for(50ms);
      done.set_value();
    });
    thread->setName("slow");
    thread->start();
  }
  EXPECT_EQ(finished.wait_for(5s), std::future_status::ready);
}

}  // namespace
}  // namespace kestravane::platform::host
