// The one way the tests wait for work of other threads: in real time, bounded, checking a
// condition. Time that the program measures is never waited for: tests advance the manual clock.
// Threads: the test's thread.
#pragma once

#include <pthread.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "Platform/Host/DispatchQueues.h"

namespace kestravane::testing_support {

inline constexpr std::chrono::milliseconds kDefaultWait{5000};

// Until `condition` holds or `timeout` passes. With `mainQueue`, the waiting thread drives that
// main queue: it runs what is due before each check and sleeps until work arrives; without it,
// it sleeps a millisecond between checks.
inline bool waitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = kDefaultWait,
                      platform::host::DispatchQueues* mainQueue = nullptr) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    if (mainQueue != nullptr) mainQueue->runPending();
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (mainQueue != nullptr) {
      mainQueue->waitForWork(std::chrono::milliseconds(10));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
}

inline std::string currentThreadName() {
  char name[16] = {};
  pthread_getname_np(pthread_self(), name, sizeof name);
  return name;
}

}  // namespace kestravane::testing_support
