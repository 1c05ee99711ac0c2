// The virtual Mac's Core Foundation run loops. Each thread has its own loop, made on the first
// current() and marked gone when the thread ends. A loop holds sources; a source that has work
// signals its loop, and the loop's run() calls the source's perform() on the loop's thread, as
// CFRunLoop services a mach-port source. run() follows CFRunLoopRun: it returns when the loop is
// stopped or holds no source, and a stop that came while the loop was not running makes the next
// run() return at once.
// Threads: current() and run() act on the calling thread's loop; addSource(), removeSource()
// and stop() may be called from any thread; a source's signal() from any thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Platform/RunLoops.h"

namespace kestravane::platform::vmac {

class VirtualRunLoop;

// A run-loop source of the virtual Mac. A source is in at most one loop at a time; adding it to
// another loop takes it out of the first.
class VirtualRunLoopSource : public RunLoopSource,
                             public std::enable_shared_from_this<VirtualRunLoopSource> {
 public:
  // Handles one piece of waiting work on the loop's thread; answers whether more is waiting.
  virtual bool perform() = 0;
  // Whether work is waiting; a loop that receives the source services it at once if so.
  virtual bool hasWork() const = 0;

  // Tells the loop holding the source (if any) that work is waiting.
  void signal();
  // The loop holding the source, or nullptr.
  std::shared_ptr<VirtualRunLoop> loop() const;

 private:
  friend class VirtualRunLoop;
  mutable std::mutex mutex;
  std::weak_ptr<VirtualRunLoop> _loop;
};

class VirtualRunLoop final : public RunLoop, public std::enable_shared_from_this<VirtualRunLoop> {
 public:
  VirtualRunLoop() : _thread(std::this_thread::get_id()) {}

  // Observation.
  bool isRunning() const;
  bool threadHasEnded() const;
  std::size_t sourceCount() const;
  std::thread::id thread() const { return _thread; }

  // What VirtualRunLoops and the sources use.
  void add(const std::shared_ptr<VirtualRunLoopSource>& source);
  void remove(VirtualRunLoopSource& source);
  void stop();
  void run();  // on the loop's own thread
  void wake(const std::shared_ptr<VirtualRunLoopSource>& source);
  void markThreadEnded();

 private:
  bool holds(const VirtualRunLoopSource* source) const;  // with mutex held

  const std::thread::id _thread;
  mutable std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::shared_ptr<VirtualRunLoopSource>> sources;
  std::deque<std::shared_ptr<VirtualRunLoopSource>> signalled;
  bool stopRequested = false;
  bool running = false;
  bool threadEnded = false;
};

class VirtualRunLoops final : public RunLoops {
 public:
  VirtualRunLoops();

  // Seam. A source that is not a virtual Mac source is ignored, as CF ignores a foreign object.
  std::shared_ptr<RunLoop> current() override;
  void addSource(RunLoop& loop, const std::shared_ptr<RunLoopSource>& source) override;
  void removeSource(RunLoop& loop, RunLoopSource& source) override;
  void run() override;
  void stop(RunLoop& loop) override;

  // The calling thread's loop with its virtual Mac type.
  std::shared_ptr<VirtualRunLoop> currentLoop();

 private:
  // Identifies this component in each thread's table of loops; a fresh object per component, so
  // a later component at the same address never finds the loops of an earlier one.
  std::shared_ptr<int> identity;
};

}  // namespace kestravane::platform::vmac
