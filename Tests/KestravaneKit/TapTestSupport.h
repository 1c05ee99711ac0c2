// Shared pieces of the engine and key-tester tests: a virtual Mac installed as the platform for
// the duration of a test, a delegate that records fires, and a way to wait until the blocks
// already submitted to a serial queue (the engine's fire queue) have run.
// Threading: the rig is built and torn down on the test's thread; the recorders may be called
// from any thread.
#pragma once

#include <pthread.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "KestravaneCore/InterceptionEngine.h"
#include "Platform/Services.h"
#include "Platform/Virtual/VirtualMac.h"

namespace kestravane::testing_support {

// Polls `condition` every millisecond until it holds or `timeout` of real time passes.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

inline std::string currentThreadName() {
  char name[16] = {};
  pthread_getname_np(pthread_self(), name, sizeof name);
  return name;
}

// Hands out the platform's serial queues and remembers them by label, so a test can wait for
// the blocks a component has submitted to its own queue.
class RecordingDispatch final : public platform::Dispatch {
 public:
  explicit RecordingDispatch(std::shared_ptr<platform::Dispatch> inner) : inner(std::move(inner)) {}

  std::shared_ptr<platform::DispatchQueue> mainQueue() override { return inner->mainQueue(); }
  std::shared_ptr<platform::DispatchQueue> createSerialQueue(const std::string& label) override {
    auto queue = inner->createSerialQueue(label);
    std::lock_guard lock(mutex);
    queues.push_back(queue);
    return queue;
  }
  void asyncAfterOnMain(double seconds, std::function<void()> block) override {
    inner->asyncAfterOnMain(seconds, std::move(block));
  }
  std::shared_ptr<platform::Cancellable> scheduleRepeatingOnMain(
      double intervalSeconds, std::function<void()> block) override {
    return inner->scheduleRepeatingOnMain(intervalSeconds, std::move(block));
  }

  // Waits until every block submitted so far to the live queues labelled `label` has run.
  bool drain(const std::string& label) {
    std::vector<std::shared_ptr<platform::DispatchQueue>> live;
    {
      std::lock_guard lock(mutex);
      for (const auto& weak : queues) {
        if (auto queue = weak.lock(); queue && queue->label() == label) live.push_back(queue);
      }
    }
    for (const auto& queue : live) {
      auto done = std::make_shared<std::promise<void>>();
      auto finished = done->get_future();
      queue->async([done] { done->set_value(); });
      if (finished.wait_for(std::chrono::seconds(3)) != std::future_status::ready) return false;
    }
    return true;
  }

 private:
  const std::shared_ptr<platform::Dispatch> inner;
  std::mutex mutex;
  std::vector<std::weak_ptr<platform::DispatchQueue>> queues;
};

// A virtual Mac with the program's permissions granted, installed as the platform until the
// rig is destroyed, its serial queues recorded. The uptime clock is manual.
struct VirtualRig {
  VirtualRig() {
    mac.grantAllPermissions();
    auto services = std::make_shared<platform::Services>(*mac.services());
    services->dispatch = dispatch;
    platform::install(services);
  }
  ~VirtualRig() { platform::install(nullptr); }
  VirtualRig(const VirtualRig&) = delete;
  VirtualRig& operator=(const VirtualRig&) = delete;

  std::vector<std::string> logMessages() { return mac.log().messages(); }

  platform::vmac::VirtualMac mac;
  platform::vmac::PermissionState* const permissions = &mac.permissions();
  platform::vmac::WindowServer* const windowServer = &mac.windowServer();
  platform::vmac::Keyboard& keyboard = mac.keyboard();
  platform::vmac::ManualClock* const clock = &mac.clock();
  platform::vmac::VirtualThreads* const threads = &mac.threads();
  const std::shared_ptr<RecordingDispatch> dispatch =
      std::make_shared<RecordingDispatch>(mac.services()->dispatch);
};

// Counts the fires it receives and remembers the thread each arrived on.
class RecordingDelegate final : public InterceptionEngineDelegate {
 public:
  void engineDidFire() override {
    const std::string thread = currentThreadName();
    std::lock_guard lock(mutex);
    fireThreads.push_back(thread);
  }
  std::size_t fires() const {
    std::lock_guard lock(mutex);
    return fireThreads.size();
  }
  std::vector<std::string> threads() const {
    std::lock_guard lock(mutex);
    return fireThreads;
  }

 private:
  mutable std::mutex mutex;
  std::vector<std::string> fireThreads;
};

// Collects values reported from any thread, e.g. health changes.
template <typename T>
class Recorder {
 public:
  void operator()(const T& value) {
    std::lock_guard lock(mutex);
    values.push_back(value);
  }
  std::vector<T> all() const {
    std::lock_guard lock(mutex);
    return values;
  }
  void clear() {
    std::lock_guard lock(mutex);
    values.clear();
  }

 private:
  mutable std::mutex mutex;
  std::vector<T> values;
};

}  // namespace kestravane::testing_support
