// Grand Central Dispatch on a host without it. Serial queues are SerialQueue. The main queue
// is driven by its owner: a test calls runPending() and advance() on a ManualClock, waitForWork()
// to let work from other threads arrive; an application event loop installs a wake handler,
// sleeps until nextDeadline() and calls runDue(). Blocks run one at a time, in order of their
// due time and then of submission; delayed work and repeating timers are due on the clock given
// at construction. The thread that drives the main queue counts as the main thread.
// Threads: submission, cancellation, nextDeadline() and the wake handler from any thread;
// the driving calls from the main thread only.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Platform/Clock.h"
#include "Platform/Dispatch.h"
#include "Platform/Host/HostThreads.h"

namespace kestravane::platform::host {

class SerialQueue;

class DispatchQueues final : public Dispatch {
 public:
  // Most blocks one driving call runs, so a block that keeps posting itself cannot hang it.
  static constexpr std::size_t kRunLimit = 10000;
  // NSTimer's shortest interval.
  static constexpr double kMinimumTimerInterval = 0.0001;
  static constexpr const char* kMainQueueLabel = "com.apple.main-thread";

  // `threads`, when given, learns which thread drives the main queue (isMainThread()).
  explicit DispatchQueues(std::shared_ptr<Clock> clock,
                          std::shared_ptr<HostThreads> threads = nullptr);
  // Drops the work not yet run; blocks posted afterwards are dropped at once.
  ~DispatchQueues() override;
  DispatchQueues(const DispatchQueues&) = delete;
  DispatchQueues& operator=(const DispatchQueues&) = delete;

  // Seam.
  std::shared_ptr<DispatchQueue> mainQueue() override;
  std::shared_ptr<DispatchQueue> createSerialQueue(const std::string& label) override;
  void asyncAfterOnMain(double seconds, std::function<void()> block) override;
  std::shared_ptr<Cancellable> scheduleRepeatingOnMain(double intervalSeconds,
                                                       std::function<void()> block) override;

  // Driving the main queue. Each returns the number of blocks run.
  // Runs every block that is due now, including those posted meanwhile (up to kRunLimit).
  std::size_t runPending();
  // For an event loop with a real clock: the same as runPending().
  std::size_t runDue() { return runPending(); }
  // Moves the ManualClock forward by `seconds`, stopping at each due time on the way to run
  // what is due then; throws std::logic_error when the clock is not a ManualClock.
  std::size_t advance(double seconds);
  // Blocks until some block is due (posted from another thread, say) or `realTimeout` passes;
  // answers whether a block is due. It does not run anything.
  bool waitForWork(std::chrono::milliseconds realTimeout);
  // The clock reading at which the earliest waiting block is due; absent when nothing waits.
  std::optional<std::uint64_t> nextDeadline() const;
  // Called, on the submitting thread, each time a block or timer is submitted to the main queue.
  void setWakeHandler(std::function<void()> handler);
  // Blocks and timers waiting on the main queue, due or not.
  std::size_t waitingCount() const;

  // Waits until every block submitted so far to the live serial queues (only those labelled
  // `label`, when one is given) has run; false when `realLimit` passed first. Never call it from
  // a block running on one of those queues.
  bool drainSerialQueues(std::chrono::milliseconds realLimit, std::string_view label = {});
  // Blocks that have finished running on the live serial queues labelled `label`, e.g. to see
  // that work reached a queue even when it had nothing to deliver.
  std::size_t serialBlocksRun(std::string_view label) const;

  struct MainState;

 private:
  void driving();

  const std::shared_ptr<MainState> main;
  const std::shared_ptr<HostThreads> threads;
  std::shared_ptr<DispatchQueue> _mainQueue;
  mutable std::mutex serialQueuesMutex;
  std::vector<std::weak_ptr<SerialQueue>> serialQueues;  // guarded by serialQueuesMutex
};

}  // namespace kestravane::platform::host
