// One observer that the program sets through the seam and that the system calls on the main
// thread (a distributed notification, an IOKit matching callback): telling it posts a block to
// the main queue, which calls the observer set at that moment, if any.
// Threads: any thread may set, attach the queue or tell; the observer runs on the main queue.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include "Platform/Dispatch.h"

namespace kestravane::platform::vmac {

class MainQueueObserver {
 public:
  void setQueue(std::shared_ptr<DispatchQueue> queue) {
    std::lock_guard lock(state->mutex);
    state->queue = std::move(queue);
  }

  void set(std::function<void()> observer) {
    std::lock_guard lock(state->mutex);
    state->observer = std::move(observer);
  }

  // Nothing is posted while no observer or no queue is set.
  void notify() const {
    std::shared_ptr<DispatchQueue> queue;
    {
      std::lock_guard lock(state->mutex);
      if (!state->observer || !state->queue) return;
      queue = state->queue;
    }
    queue->async([weak = std::weak_ptr<State>(state)] {
      const auto alive = weak.lock();
      if (!alive) return;
      std::function<void()> observer;
      {
        std::lock_guard lock(alive->mutex);
        observer = alive->observer;
      }
      if (observer) observer();
    });
  }

 private:
  struct State {
    std::mutex mutex;
    std::shared_ptr<DispatchQueue> queue;
    std::function<void()> observer;
  };
  const std::shared_ptr<State> state = std::make_shared<State>();
};

}  // namespace kestravane::platform::vmac
