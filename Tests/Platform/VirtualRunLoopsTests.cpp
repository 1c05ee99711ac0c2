#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "Platform/Virtual/VirtualRunLoops.h"
#include "Support/Waiting.h"

namespace kestravane::platform::vmac {
namespace {

using namespace std::chrono_literals;

// A source that never has work: it only keeps a loop from being empty.
class IdleSource final : public VirtualRunLoopSource {
 public:
  bool perform() override { return false; }
  bool hasWork() const override { return false; }
};

// A source with `pending` pieces of work, each performed on the loop's thread.
class CountingSource final : public VirtualRunLoopSource {
 public:
  bool perform() override {
    thread = std::this_thread::get_id();
    ++performed;
    return --pending > 0;
  }
  bool hasWork() const override { return pending > 0; }
  std::atomic<int> pending{0};
  std::atomic<int> performed{0};
  std::atomic<std::thread::id> thread;
};

// A thread that adds `source` to its own loop and runs it; the loop once it exists. A runner
// still running at the end of a failed test is stopped and joined.
struct Runner {
  Runner(VirtualRunLoops& loops, std::shared_ptr<VirtualRunLoopSource> source) : loops(loops) {
    std::promise<std::shared_ptr<VirtualRunLoop>> started;
    thread = std::thread([&loops, &started, source] {
      auto own = loops.currentLoop();
      loops.addSource(*own, source);
      started.set_value(own);
      loops.run();
    });
    loop = started.get_future().get();
  }
  ~Runner() {
    if (!thread.joinable()) return;
    loops.stop(*loop);
    thread.join();
  }
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;

  VirtualRunLoops& loops;
  std::thread thread;
  std::shared_ptr<VirtualRunLoop> loop;
};

TEST(VirtualRunLoopsTest, EachThreadHasItsOwnLoop) {
  VirtualRunLoops loops;
  auto mine = loops.current();
  EXPECT_EQ(loops.current(), mine);
  auto theirs = std::async(std::launch::async, [&] { return loops.current(); }).get();
  EXPECT_NE(theirs, mine);
  // The other thread has ended; its loop lives on for whoever holds it, marked as such.
  EXPECT_TRUE(std::dynamic_pointer_cast<VirtualRunLoop>(theirs)->threadHasEnded());
  // A second component's loops are its own.
  VirtualRunLoops other;
  EXPECT_NE(other.current(), mine);
}

TEST(VirtualRunLoopsTest, StopBeforeRunIsRememberedButAnEmptyLoopReturnsAtOnce) {
  VirtualRunLoops loops;
  auto loop = loops.current();
  loops.run();  // no source: returns at once
  auto source = std::make_shared<IdleSource>();
  loops.stop(*loop);
  loops.run();  // still without source: the stop is kept for later
  loops.addSource(*loop, source);
  loops.run();  // returns at once: the stop came first
  EXPECT_FALSE(std::dynamic_pointer_cast<VirtualRunLoop>(loop)->isRunning());
  loops.removeSource(*loop, *source);
}

TEST(VirtualRunLoopsTest, StopOrRemovingTheLastSourceEndsARunFromAnotherThread) {
  VirtualRunLoops loops;
  for (bool byStop : {true, false}) {
    auto source = std::make_shared<IdleSource>();
    Runner runner(loops, source);
    ASSERT_TRUE(testing_support::waitUntil([&] { return runner.loop->isRunning(); }));
    if (byStop) {
      loops.stop(*runner.loop);
    } else {
      loops.removeSource(*runner.loop, *source);
    }
    runner.thread.join();
    EXPECT_FALSE(runner.loop->isRunning());
  }
}

TEST(VirtualRunLoopsTest, SignalledSourceIsPerformedOnTheLoopThreadUntilItsWorkIsDone) {
  VirtualRunLoops loops;
  auto source = std::make_shared<CountingSource>();
  source->pending = 3;  // work waiting before the source is in any loop
  Runner runner(loops, source);
  ASSERT_TRUE(testing_support::waitUntil([&] { return source->performed == 3; }));
  source->pending = 1;
  source->signal();
  ASSERT_TRUE(testing_support::waitUntil([&] { return source->performed == 4; }));
  EXPECT_EQ(source->thread.load(), runner.thread.get_id());
  loops.stop(*runner.loop);
  runner.thread.join();
  EXPECT_EQ(source->performed.load(), 4);
}

TEST(VirtualRunLoopsTest, SourceMovesToTheLoopItWasAddedToLast) {
  VirtualRunLoops loops;
  auto first = loops.currentLoop();
  auto second = std::async(std::launch::async, [&] { return loops.currentLoop(); }).get();
  auto source = std::make_shared<IdleSource>();
  loops.addSource(*first, source);
  loops.addSource(*second, source);
  EXPECT_EQ(first->sourceCount(), 0u);
  EXPECT_EQ(source->loop(), second);
}

}  // namespace
}  // namespace kestravane::platform::vmac
