// The real run loops' stop, as the tap thread meets it: a stop that comes before the thread runs
// its loop, while the loop waits, and after the run has ended (the thread gone). A stop that is
// lost leaves run() blocked: the test then says so and ends the run itself.
#include <CoreFoundation/CoreFoundation.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "Platform/MacOS/MacRunLoops.h"
#include "Support/Waiting.h"

namespace kestravane::platform::macos {
namespace {

using testing_support::waitUntil;

void neverFires(CFRunLoopTimerRef, void*) {}

// A thread whose run loop has a source (a timer due in thirty years), so that run() waits until
// it is stopped instead of returning at once for lack of sources.
class LoopThread {
 public:
  explicit LoopThread(RunLoops& loops) : loops(loops) {
    thread = std::thread([this] {
      auto current = this->loops.current();
      auto timer = CFRef<CFRunLoopTimerRef>::adopt(CFRunLoopTimerCreate(
          kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + 1e9, 0, 0, 0, &neverFires, nullptr));
      CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer.get(), kCFRunLoopCommonModes);
      {
        std::lock_guard lock(loopLock);
        loop = current;
      }
      while (!mayRun.load()) std::this_thread::yield();
      this->loops.run();
      returned = true;
      CFRunLoopTimerInvalidate(timer.get());
    });
  }
  ~LoopThread() {
    mayRun = true;
    if (!waitUntil([this] { return returned.load(); })) {
      ADD_FAILURE() << "run() did not return after stop(); ending it directly";
      while (!returned.load()) CFRunLoopStop(cfLoop());
    }
    thread.join();
  }

  std::shared_ptr<RunLoop> waitForLoop() {
    std::shared_ptr<RunLoop> published;
    waitUntil([&] {
      std::lock_guard lock(loopLock);
      published = loop;
      return published != nullptr;
    });
    return published;
  }
  CFRunLoopRef cfLoop() { return static_cast<MacRunLoop&>(*waitForLoop()).loop(); }
  void letRun() { mayRun = true; }
  bool hasReturned() const { return returned.load(); }

 private:
  RunLoops& loops;
  std::mutex loopLock;
  std::shared_ptr<RunLoop> loop;  // guarded by loopLock
  std::atomic<bool> mayRun = false;
  std::atomic<bool> returned = false;
  std::thread thread;
};

TEST(MacRunLoopsTest, AStopBeforeTheRunMakesTheRunReturnAtOnce) {
  MacRunLoops loops;
  LoopThread thread(loops);
  loops.stop(*thread.waitForLoop());
  thread.letRun();
  EXPECT_TRUE(waitUntil([&] { return thread.hasReturned(); }));
}

TEST(MacRunLoopsTest, AStopWhileTheLoopWaitsEndsTheRun) {
  MacRunLoops loops;
  LoopThread thread(loops);
  thread.letRun();
  ASSERT_TRUE(waitUntil([&] { return CFRunLoopIsWaiting(thread.cfLoop()); }));
  EXPECT_FALSE(thread.hasReturned());
  loops.stop(*thread.waitForLoop());
  EXPECT_TRUE(waitUntil([&] { return thread.hasReturned(); }));
}

TEST(MacRunLoopsTest, AStopAfterTheRunAndItsThreadEndedIsHarmless) {
  MacRunLoops loops;
  std::shared_ptr<RunLoop> loop;
  {
    LoopThread thread(loops);
    loop = thread.waitForLoop();
    thread.letRun();
    ASSERT_TRUE(waitUntil([&] { return CFRunLoopIsWaiting(thread.cfLoop()); }));
    loops.stop(*loop);
  }
  // The loop outlives its thread through the reference kept here; stopping it again finds no
  // run to end and must neither crash nor block.
  loops.stop(*loop);
  loops.stop(*loop);
  loop.reset();
}

}  // namespace
}  // namespace kestravane::platform::macos
