#include "Platform/MacOS/MacDispatch.h"

#include <CoreFoundation/CoreFoundation.h>
#include <dispatch/dispatch.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <utility>

#include "Platform/MacOS/CFRef.h"

namespace kestravane::platform::macos {
namespace {

using Work = std::function<void()>;

// dispatch_function_t for one submitted block, which it owns.
void runOnce(void* context) {
  std::unique_ptr<Work> work(static_cast<Work*>(context));
  if (*work) (*work)();
}

class MacDispatchQueue final : public DispatchQueue {
 public:
  // `owned`: a queue this backend created and releases; the main queue is never released.
  MacDispatchQueue(dispatch_queue_t queue, bool owned)
      : queue(queue), owned(owned), _label(labelOf(queue)) {}
  ~MacDispatchQueue() override {
    // Blocks still waiting keep the queue alive inside libdispatch.
    if (owned) dispatch_release(queue);
  }

  void async(std::function<void()> block) override {
    dispatch_async_f(queue, new Work(std::move(block)), &runOnce);
  }
  const std::string& label() const override { return _label; }

 private:
  static std::string labelOf(dispatch_queue_t queue) {
    const char* label = dispatch_queue_get_label(queue);
    return label ? label : "";
  }

  const dispatch_queue_t queue;
  const bool owned;
  const std::string _label;
};

// The block of a repeating timer, reference-counted for CFRunLoopTimer: the timer holds one
// reference, and each firing holds another while it runs, so a cancel from any thread never
// frees a block that is running.
struct TimerWork {
  std::atomic<int> references{1};
  Work work;
};

TimerWork* timerWork(const void* info) {
  return static_cast<TimerWork*>(const_cast<void*>(info));
}

const void* retainTimerWork(const void* info) {
  timerWork(info)->references.fetch_add(1, std::memory_order_relaxed);
  return info;
}

void releaseTimerWork(const void* info) {
  TimerWork* work = timerWork(info);
  if (work->references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete work;
}

void fireTimer(CFRunLoopTimerRef, void* info) {
  auto* work = static_cast<TimerWork*>(info);
  if (work->work) work->work();
}

class RepeatingTimer final : public Cancellable {
 public:
  explicit RepeatingTimer(CFRef<CFRunLoopTimerRef> timer) : timer(std::move(timer)) {}
  ~RepeatingTimer() override { cancel(); }

  // Idempotent and thread-safe, as CFRunLoopTimerInvalidate is.
  void cancel() override { CFRunLoopTimerInvalidate(timer.get()); }

 private:
  const CFRef<CFRunLoopTimerRef> timer;
};

// A timer that never fires, for a timer the system would not create.
class NoTimer final : public Cancellable {
 public:
  void cancel() override {}
};

constexpr double kMinimumTimerInterval = 0.0001;
constexpr double kLongestDelaySeconds = 1e9;  // about 31 years; keeps nanoseconds in range

}  // namespace

MacDispatch::MacDispatch()
    : _mainQueue(std::make_shared<MacDispatchQueue>(dispatch_get_main_queue(), false)) {}

std::shared_ptr<DispatchQueue> MacDispatch::mainQueue() {
  return _mainQueue;
}

std::shared_ptr<DispatchQueue> MacDispatch::createSerialQueue(const std::string& label) {
  // No quality-of-service attribute: the queue's stays unspecified, and blocks run at the QoS of
  // the thread that submitted them.
  return std::make_shared<MacDispatchQueue>(
      dispatch_queue_create(label.c_str(), DISPATCH_QUEUE_SERIAL), true);
}

void MacDispatch::asyncAfterOnMain(double seconds, std::function<void()> block) {
  const double delay = seconds > 0 ? std::min(seconds, kLongestDelaySeconds) : 0.0;
  const auto nanos = static_cast<std::int64_t>(delay * static_cast<double>(NSEC_PER_SEC));
  dispatch_after_f(dispatch_time(DISPATCH_TIME_NOW, nanos), dispatch_get_main_queue(),
                   new Work(std::move(block)), &runOnce);
}

std::shared_ptr<Cancellable> MacDispatch::scheduleRepeatingOnMain(double intervalSeconds,
                                                                  std::function<void()> block) {
  // Also catches NaN.
  const double interval =
      intervalSeconds > kMinimumTimerInterval ? intervalSeconds : kMinimumTimerInterval;
  auto* work = new TimerWork;
  work->work = std::move(block);
  CFRunLoopTimerContext context{0, work, &retainTimerWork, &releaseTimerWork, nullptr};
  auto timer = CFRef<CFRunLoopTimerRef>::adopt(
      CFRunLoopTimerCreate(kCFAllocatorDefault, CFAbsoluteTimeGetCurrent() + interval, interval, 0,
                           0, &fireTimer, &context));
  releaseTimerWork(work);  // the timer, if made, holds its own reference
  if (!timer) return std::make_shared<NoTimer>();
  CFRunLoopAddTimer(CFRunLoopGetMain(), timer.get(), kCFRunLoopCommonModes);
  return std::make_shared<RepeatingTimer>(std::move(timer));
}

}  // namespace kestravane::platform::macos
