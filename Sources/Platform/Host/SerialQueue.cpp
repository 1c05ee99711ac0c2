#include "Platform/Host/SerialQueue.h"

#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>

namespace kestravane::platform::host {

struct SerialQueue::State {
  std::mutex mutex;
  std::condition_variable changed;
  std::condition_variable ran;
  std::deque<std::function<void()>> blocks;
  bool closing = false;
  std::thread::id worker;
  std::size_t submitted = 0;
  std::size_t finished = 0;

  void work() {
    std::unique_lock lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return closing || !blocks.empty(); });
      if (blocks.empty()) return;  // closing, with nothing left to run
      std::function<void()> block = std::move(blocks.front());
      blocks.pop_front();
      lock.unlock();
      block();
      block = nullptr;  // what it captured goes before the lock is taken again
      lock.lock();
      ++finished;
      ran.notify_all();
    }
  }
};

SerialQueue::SerialQueue(std::string label)
    : _label(std::move(label)), state(std::make_shared<State>()) {}

SerialQueue::~SerialQueue() {
  std::thread joining;
  {
    std::lock_guard lock(state->mutex);
    state->closing = true;
    joining = std::move(worker);
  }
  state->changed.notify_all();
  if (!joining.joinable()) return;
  if (joining.get_id() == std::this_thread::get_id()) {
    joining.detach();  // the worker owns the state and ends after the remaining blocks
  } else {
    joining.join();
  }
}

void SerialQueue::async(std::function<void()> block) {
  std::lock_guard lock(state->mutex);
  state->blocks.push_back(std::move(block));
  ++state->submitted;
  if (!worker.joinable()) {
    worker = std::thread([state = state, name = _label.substr(0, 15)] {
      pthread_setname_np(pthread_self(), name.c_str());
      state->work();
    });
    state->worker = worker.get_id();
  }
  state->changed.notify_one();
}

bool SerialQueue::isCurrent() const {
  std::lock_guard lock(state->mutex);
  return state->worker == std::this_thread::get_id();
}

std::size_t SerialQueue::blocksRun() const {
  std::lock_guard lock(state->mutex);
  return state->finished;
}

bool SerialQueue::waitUntilRun(std::chrono::steady_clock::time_point deadline) const {
  std::unique_lock lock(state->mutex);
  const std::size_t target = state->submitted;
  return state->ran.wait_until(lock, deadline, [&] { return state->finished >= target; });
}

}  // namespace kestravane::platform::host
