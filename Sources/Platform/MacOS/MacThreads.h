// Threads as NSThread objects: created with a body, named, given a quality of service, started.
// Threads: any thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Platform/Threads.h"

namespace kestravane::platform::macos {

class MacThreads final : public Threads {
 public:
  // The body runs inside an autorelease pool; what it captured is released when it returns,
  // before the thread counts as finished.
  std::shared_ptr<Thread> create(std::function<void()> body) override;
  void sleepForTimeInterval(double seconds) override;
  bool isMainThread() const override;
};

}  // namespace kestravane::platform::macos
