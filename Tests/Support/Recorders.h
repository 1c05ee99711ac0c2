// Recorders for the key path's callbacks: a delegate that records fires, and a collector of
// values reported from any thread (health changes, hits).
// Threads: the recorders may be called from any thread; each guards its values with a mutex.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "KestravaneCore/InterceptionEngine.h"
#include "Support/Waiting.h"

namespace kestravane::testing_support {

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
