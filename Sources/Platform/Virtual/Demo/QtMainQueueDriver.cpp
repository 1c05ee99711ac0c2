#include "Platform/Virtual/Demo/QtMainQueueDriver.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <memory>

namespace kestravane::platform::vmac::demo {

QtMainQueueDriver::QtMainQueueDriver(VirtualDispatch& dispatch, const Clock& clock, QObject* parent)
    : QObject(parent), dispatch(dispatch), clock(clock) {
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);  // the hold limit and the checks are timed in ms
  connect(&timer, &QTimer::timeout, this, [this] { runDue(); });
  // One wake in flight at a time: a burst of submissions asks for one turn of the loop.
  auto wakePending = std::make_shared<std::atomic<bool>>(false);
  dispatch.setWakeHandler([post = wakes.poster(), wakePending, this] {
    if (wakePending->exchange(true)) return;
    post([this, wakePending] {
      wakePending->store(false);
      runDue();
    });
  });
  runDue();
}

QtMainQueueDriver::~QtMainQueueDriver() {
  dispatch.setWakeHandler(nullptr);
}

std::size_t QtMainQueueDriver::runDue() {
  const std::size_t ran = dispatch.runDue();
  armTimer();
  return ran;
}

void QtMainQueueDriver::armTimer() {
  const auto next = dispatch.nextDeadline();
  if (!next) {
    timer.stop();
    return;
  }
  const std::uint64_t now = clock.uptimeNanos();
  const std::uint64_t waitNanos = *next > now ? *next - now : 0;
  // Rounded up, so the timer never fires just before the block is due.
  const std::uint64_t waitMs = (waitNanos + 999'999) / 1'000'000;
  timer.start(static_cast<int>(std::min<std::uint64_t>(waitMs, std::numeric_limits<int>::max())));
}

}  // namespace kestravane::platform::vmac::demo
