// Shared pieces of the engine and key-tester tests: a virtual Mac installed as the platform for
// the duration of a test, a delegate that records fires, and a way to wait until the blocks
// already submitted to a serial queue (the engine's fire queue) have run.
// Threading: the rig is built and torn down on the test's thread; the recorders may be called
// from any thread.
#pragma once

#include <pthread.h>

#include <chrono>
#include <functional>
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

// A virtual Mac with the program's permissions granted, installed as the platform until the
// rig is destroyed, The uptime clock is manual.
struct VirtualRig {
  VirtualRig() {
    mac.grantAllPermissions();
    mac.install();
  }
  ~VirtualRig() { platform::install(nullptr); }
  VirtualRig(const VirtualRig&) = delete;
  VirtualRig& operator=(const VirtualRig&) = delete;

  std::vector<std::string> logMessages() { return mac.log().messages(); }
  // Waits until the blocks already submitted to the queues labelled `label` have run.
  bool drain(const std::string& label) {
    return mac.dispatch().drainSerialQueues(std::chrono::seconds(3), label);
  }

  platform::vmac::VirtualMac mac;
  platform::vmac::PermissionState* const permissions = &mac.permissions();
  platform::vmac::WindowServer* const windowServer = &mac.windowServer();
  platform::vmac::Keyboard& keyboard = mac.keyboard();
  platform::vmac::ManualClock* const clock = &mac.clock();
  platform::vmac::VirtualThreads* const threads = &mac.threads();
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
