#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "Platform/Virtual/VirtualRunLoops.h"

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
    std::promise<std::shared_ptr<VirtualRunLoop>> started;
    std::thread runner([&] {
      auto loop = loops.currentLoop();
      loops.addSource(*loop, source);
      started.set_value(loop);
      loops.run();
    });
    auto loop = started.get_future().get();
    while (!loop->isRunning()) std::this_thread::sleep_for(1ms);
    if (byStop) {
      loops.stop(*loop);
    } else {
      loops.removeSource(*loop, *source);
    }
    runner.join();
    EXPECT_FALSE(loop->isRunning());
  }
}

TEST(VirtualRunLoopsTest, SignalledSourceIsPerformedOnTheLoopThreadUntilItsWorkIsDone) {
  VirtualRunLoops loops;
  auto source = std::make_shared<CountingSource>();
  source->pending = 3;  // work waiting before the source is in any loop
  std::promise<std::shared_ptr<VirtualRunLoop>> started;
  std::thread runner([&] {
    auto loop = loops.currentLoop();
    loops.addSource(*loop, source);
    started.set_value(loop);
    loops.run();
  });
  auto loop = started.get_future().get();
  while (source->performed < 3) std::this_thread::sleep_for(1ms);
  source->pending = 1;
  source->signal();
  while (source->performed < 4) std::this_thread::sleep_for(1ms);
  EXPECT_EQ(source->thread.load(), runner.get_id());
  loops.stop(*loop);
  runner.join();
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
