// Grand Central Dispatch through libdispatch's function interface (dispatch_async_f,
// dispatch_after_f), and repeating work as a CFRunLoopTimer on the main run loop in the common
// modes, so it also fires while a menu is open.
// Threads: any thread may submit or cancel; blocks run on their queue (main: the main thread).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "Platform/Dispatch.h"

namespace kestravane::platform::macos {

class MacDispatch final : public Dispatch {
 public:
  MacDispatch();

  std::shared_ptr<DispatchQueue> mainQueue() override;
  // A serial queue without attributes: no quality of service of its own, no target.
  std::shared_ptr<DispatchQueue> createSerialQueue(const std::string& label) override;
  void asyncAfterOnMain(double seconds, std::function<void()> block) override;
  // Intervals below NSTimer's shortest (0.1 ms) are raised to it.
  std::shared_ptr<Cancellable> scheduleRepeatingOnMain(double intervalSeconds,
                                                       std::function<void()> block) override;

 private:
  const std::shared_ptr<DispatchQueue> _mainQueue;
};

}  // namespace kestravane::platform::macos
