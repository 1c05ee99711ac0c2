// Run loops for the X11 backend: each thread has one, made on its first current(), which waits in
// poll() on the file descriptors of its sources (an X connection, say) and on a wake-up eventfd,
// and calls a ready source's perform() on the loop's thread. run() follows CFRunLoopRun: it
// returns when the loop is stopped or holds no source, and a stop that came while the loop was not
// running makes the next run() return at once.
// Threads: current() and run() act on the calling thread's loop; addSource(), removeSource() and
//   stop() may be called from any thread (they wake the loop). A source removed from another
//   thread may still be in perform() on the loop's thread; the loop drops its reference to it
//   when it next looks at its sources.
// Locks: each loop's own mutex, never held while a source performs.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "Platform/RunLoops.h"

namespace kestravane::platform::desktop {

// A source that has work when its file descriptor is readable.
class PollSource : public RunLoopSource {
 public:
  virtual int descriptor() const = 0;
  // Handles everything that is waiting, on the loop's thread. Also called once when the loop
  // takes the source in, for work that arrived before.
  virtual void perform() = 0;
};

class PollRunLoop final : public RunLoop {
 public:
  PollRunLoop();
  ~PollRunLoop() override;
  PollRunLoop(const PollRunLoop&) = delete;
  PollRunLoop& operator=(const PollRunLoop&) = delete;

  void add(const std::shared_ptr<PollSource>& source);
  void remove(const RunLoopSource& source);
  void stop();
  void run();  // on the loop's own thread
  bool isRunning() const;

 private:
  void wake() const;

  const int wakeDescriptor;
  mutable std::mutex mutex;
  std::vector<std::shared_ptr<PollSource>> sources;  // guarded by mutex
  std::uint64_t generation = 0;                      // guarded by mutex; counts changes
  bool stopRequested = false;                        // guarded by mutex
  bool running = false;                              // guarded by mutex
};

class PollRunLoops final : public RunLoops {
 public:
  // Seam. Sources that are not PollSources are ignored, as CF ignores a foreign object.
  std::shared_ptr<RunLoop> current() override;
  void addSource(RunLoop& loop, const std::shared_ptr<RunLoopSource>& source) override;
  void removeSource(RunLoop& loop, RunLoopSource& source) override;
  void run() override;
  void stop(RunLoop& loop) override;

  // The calling thread's loop.
  static std::shared_ptr<PollRunLoop> currentLoop();
};

}  // namespace kestravane::platform::desktop
