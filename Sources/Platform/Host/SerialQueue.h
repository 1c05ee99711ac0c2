// A serial dispatch queue of DispatchQueues: blocks run one at a time, in submission order, on
// a worker thread of the queue's own (started with the first block, named after the label),
// never on the submitting thread. Dropping the queue does not cancel submitted blocks, as with
// GCD: the destructor lets the worker finish them and joins it, or, when the last reference
// goes from a block running on the queue itself, leaves the worker to finish on its own.
// For tests it counts the blocks it has run and can wait for those submitted so far.
// Threads: every call from any thread; waitUntilRun() never from a block on this queue.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <thread>

#include "Platform/Dispatch.h"

namespace kestravane::platform::host {

class SerialQueue final : public DispatchQueue {
 public:
  explicit SerialQueue(std::string label);
  ~SerialQueue() override;
  SerialQueue(const SerialQueue&) = delete;
  SerialQueue& operator=(const SerialQueue&) = delete;

  void async(std::function<void()> block) override;
  const std::string& label() const override { return _label; }

  // Whether the calling thread is this queue's worker.
  bool isCurrent() const;

  // Control. Blocks that have finished running (what they captured already released).
  std::size_t blocksRun() const;
  // Waits until every block submitted before the call has finished; false when `deadline`
  // passed first.
  bool waitUntilRun(std::chrono::steady_clock::time_point deadline) const;

  struct State;

 private:
  const std::string _label;
  const std::shared_ptr<State> state;
  std::thread worker;  // guarded by the state's mutex
};

}  // namespace kestravane::platform::host
