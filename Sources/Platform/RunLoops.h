// Core Foundation run loops (CFRunLoopGetCurrent, CFRunLoopAddSource, CFRunLoopRun, ...).
// Threads: `current()` and `run()` act on the calling thread's loop; `stop()`, `addSource()`
// and `removeSource()` may be called from any thread.
#pragma once

#include <memory>

#include "Platform/EventTaps.h"

namespace kestravane::platform {

// CFRunLoopRef.
class RunLoop {
 public:
  virtual ~RunLoop() = default;
};

class RunLoops {
 public:
  virtual ~RunLoops() = default;

  // CFRunLoopGetCurrent(): the calling thread's run loop, created on first use.
  virtual std::shared_ptr<RunLoop> current() = 0;
  // CFRunLoopAddSource(loop, source, kCFRunLoopCommonModes).
  virtual void addSource(RunLoop& loop, const std::shared_ptr<RunLoopSource>& source) = 0;
  // CFRunLoopRemoveSource(loop, source, kCFRunLoopCommonModes).
  virtual void removeSource(RunLoop& loop, RunLoopSource& source) = 0;
  // CFRunLoopRun(): runs the calling thread's loop until it is stopped or has no sources left.
  // A stop that arrived before the run makes it return at once.
  virtual void run() = 0;
  // CFRunLoopStop(loop): makes the loop's run() return.
  virtual void stop(RunLoop& loop) = 0;
};

}  // namespace kestravane::platform
