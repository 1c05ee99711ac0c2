// Grand Central Dispatch: the main queue, serial queues, delayed and repeating work on main.
// Threads: any thread may submit; blocks run on the queue's thread (main: the main thread).
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace kestravane::platform {

// dispatch_queue_t.
class DispatchQueue {
 public:
  virtual ~DispatchQueue() = default;
  // dispatch_async(queue, block): blocks run one at a time in submission order.
  virtual void async(std::function<void()> block) = 0;
  virtual const std::string& label() const = 0;
};

// A scheduled piece of repeating work; cancel() stops further runs (idempotent).
class Cancellable {
 public:
  virtual ~Cancellable() = default;
  virtual void cancel() = 0;
};

class Dispatch {
 public:
  virtual ~Dispatch() = default;
  // dispatch_get_main_queue().
  virtual std::shared_ptr<DispatchQueue> mainQueue() = 0;
  // dispatch_queue_create(label, DISPATCH_QUEUE_SERIAL).
  virtual std::shared_ptr<DispatchQueue> createSerialQueue(const std::string& label) = 0;
  // dispatch_after(now + seconds, main queue, block).
  virtual void asyncAfterOnMain(double seconds, std::function<void()> block) = 0;
  // A repeating timer on the main run loop in the common modes (Timer.publish / NSTimer): first
  // run one interval from now. Dropping or cancelling the handle stops it.
  virtual std::shared_ptr<Cancellable> scheduleRepeatingOnMain(double intervalSeconds,
                                                               std::function<void()> block) = 0;
};

}  // namespace kestravane::platform
