// One run of an event tap on a thread of its own: the tap, the thread, and the thread's run loop
// and run-loop source, which the thread publishes so that the owner's stop() always finds them.
// The engine and the key tester each create one per start() and drop it in stop().
// Threads: `launch()` and `stop()` belong to the owner, one call at a time (under its own
//   lifecycle serialisation); `attach()` and `run()` belong to the launched thread.
// Locks: the run loop and source are published under `publishLock` together with
//   `stopRequested`, so a stop() before the thread has attached makes the thread end without
//   running, and a stop() after it finds the run loop to stop.
// Ownership: a std::shared_ptr, held by the owner and, weakly, by the thread's body.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "Platform/Services.h"

namespace kestravane {

class TapThread {
 public:
  // Disables the new tap at once; make the TapThread right after the tap.
  TapThread(std::shared_ptr<const platform::Services> services,
            std::shared_ptr<platform::EventTap> tap);
  TapThread(const TapThread&) = delete;
  TapThread& operator=(const TapThread&) = delete;

  // Owner: creates the thread with `body`, names it, gives it `qos` when set, and starts it.
  // When that throws, no thread is kept, and stop() still tears the tap down.
  void launch(const std::string& name, std::optional<platform::QualityOfService> qos,
              std::function<void()> body);

  // Thread: records the calling thread's run loop, adds the tap's source to it and enables the
  // tap, then calls `whileAttached` before stop() can see any of it. Returns false, doing
  // nothing, when stop() came first (or no source could be made): the thread should then end.
  bool attach(const std::function<void()>& whileAttached);

  // Thread: runs the calling thread's run loop until stop() stops it.
  void run();

  // Whether stop() has begun; lock-free, for the tap callback.
  bool isStopRequested() const { return stopRequested.load(std::memory_order_acquire); }

  // Owner: disables the tap, removes the source from the thread's run loop and stops that loop,
  // invalidates the tap, then waits for the thread to finish, at most 30 sleeps of 10 ms.
  // Afterwards the thread is never attached again. Returns whether the thread finished.
  bool stop();

  const std::shared_ptr<platform::EventTap> tap;

 private:
  const std::shared_ptr<const platform::Services> services;
  std::shared_ptr<platform::Thread> thread;  // owner only

  std::mutex publishLock;
  std::atomic<bool> stopRequested{false};         // written under publishLock, read anywhere
  std::shared_ptr<platform::RunLoop> tapRunLoop;  // guarded by publishLock
  std::shared_ptr<platform::RunLoopSource> runLoopSource;  // guarded by publishLock
};

}  // namespace kestravane
