// NSThread on a host without Foundation: every Thread is a real std::thread, named and given a
// quality of service as the program asks. Like an NSThread it is never joined by the program: the
// component owns the std::threads, joins those that have ended, and at its destruction waits
// for the rest (detaching, with a warning on standard error, any that will not end).
// Threads: every call from any thread. The main thread is the constructing thread until
// setMainThreadToCurrent() names another (the main queue's driver does so).
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Platform/Threads.h"

namespace kestravane::platform::host {

// A started thread that has not finished, as the control reports it.
struct ThreadInfo {
  std::string name;  // the full name, as given to setName()
  QualityOfService qualityOfService = QualityOfService::defaultQoS;
  bool operator==(const ThreadInfo&) const = default;
};

class HostThreads final : public Threads {
 public:
  HostThreads();
  ~HostThreads() override;
  HostThreads(const HostThreads&) = delete;
  HostThreads& operator=(const HostThreads&) = delete;

  // Seam. start() of a thread that was already started throws std::logic_error, as NSThread
  // raises on a second start.
  std::shared_ptr<Thread> create(std::function<void()> body) override;
  void sleepForTimeInterval(double seconds) override;
  bool isMainThread() const override;

  // Control.
  void setMainThreadToCurrent();
  // Started threads that have not finished, in the order they were started.
  std::vector<ThreadInfo> liveThreads() const;
  std::size_t startedCount() const;
  std::size_t finishedCount() const;
  // Waits until every started thread has finished, and joins those that have; false if some
  // still runs after `timeout`.
  bool waitUntilAllFinished(std::chrono::milliseconds timeout) const;
  // While set, a started thread waits before running its body until it is cleared (the
  // destructor clears it): a machine too busy to schedule new threads at once.
  void setStartsHeld(bool held);
  // How long the destructor waits for running threads before detaching them.
  void setExitWait(std::chrono::milliseconds wait);

  struct Registry;

 private:
  std::shared_ptr<Registry> registry;
};

}  // namespace kestravane::platform::host
