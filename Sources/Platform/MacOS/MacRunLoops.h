// Core Foundation run loops (CFRunLoopGetCurrent, CFRunLoopAddSource, CFRunLoopRun, ...); every
// source goes into the common modes.
// Threads: as the seam states: current() and run() act on the calling thread's loop, the others may
// be called from any thread.
#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <memory>
#include <utility>

#include "Platform/MacOS/CFRef.h"
#include "Platform/RunLoops.h"

namespace kestravane::platform::macos {

class MacRunLoop final : public RunLoop {
 public:
  explicit MacRunLoop(CFRef<CFRunLoopRef> loop) : _loop(std::move(loop)) {}
  CFRunLoopRef loop() const { return _loop.get(); }

 private:
  CFRef<CFRunLoopRef> _loop;
};

class MacRunLoops final : public RunLoops {
 public:
  std::shared_ptr<RunLoop> current() override;
  void addSource(RunLoop& loop, const std::shared_ptr<RunLoopSource>& source) override;
  void removeSource(RunLoop& loop, RunLoopSource& source) override;
  void run() override;
  // CFRunLoopStop alone is lost when it comes before the run (each CFRunLoopRun starts with a
  // fresh stop flag), so the stop is also queued on the loop as a block: a loop that is running
  // wakes and stops at once, and a loop that is not yet running stops as soon as it runs.
  void stop(RunLoop& loop) override;
};

}  // namespace kestravane::platform::macos
