// Waiting in the Qt tests: waitUntil() (Support/Waiting.h), with Qt's loop delivering what was
// posted to the GUI thread before each check.
// Threads: the test's thread, which is the GUI thread.
#pragma once

#include <QCoreApplication>
#include <chrono>
#include <functional>

#include "Support/Waiting.h"

namespace kestravane::testing_support {

inline bool waitProcessingEvents(const std::function<bool()>& condition,
                                 std::chrono::milliseconds timeout = kDefaultWait,
                                 platform::host::DispatchQueues* mainQueue = nullptr) {
  return waitUntil(
      [&] {
        QCoreApplication::processEvents();
        return condition();
      },
      timeout, mainQueue);
}

}  // namespace kestravane::testing_support
