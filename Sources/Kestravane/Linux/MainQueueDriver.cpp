#include "Kestravane/Linux/MainQueueDriver.h"

#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>

namespace kestravane::linux_app {

// What the wake handler reaches: the driver's context while it lives, nothing afterwards.
struct MainQueueDriver::Wake {
  std::mutex mutex;
  QObject* context = nullptr;  // guarded by mutex
  std::function<void()> pump;  // guarded by mutex
  // A pump is queued and has not started yet: further submissions need no other one.
  std::atomic<bool> queued{false};

  void operator()() {
    if (queued.exchange(true)) return;
    std::lock_guard lock(mutex);
    if (context) QMetaObject::invokeMethod(context, pump, Qt::QueuedConnection);
  }
};

MainQueueDriver::MainQueueDriver(platform::vmac::VirtualDispatch& dispatch,
                                 std::shared_ptr<platform::Clock> clock)
    : dispatch(dispatch), clock(std::move(clock)), wake(std::make_shared<Wake>()) {
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &context, [this] { pump(); });
  {
    std::lock_guard lock(wake->mutex);
    wake->context = &context;
    wake->pump = [this] { pump(); };
  }
  dispatch.setWakeHandler([wake = wake] { (*wake)(); });
  // Work submitted before the loop starts (the controller's start-up) runs on its first turn.
  (*wake)();
}

MainQueueDriver::~MainQueueDriver() {
  dispatch.setWakeHandler(nullptr);
  std::lock_guard lock(wake->mutex);
  wake->context = nullptr;
  wake->pump = nullptr;
}

void MainQueueDriver::pump() {
  // Cleared first: anything submitted while this runs queues the next pump.
  wake->queued.store(false);
  dispatch.runDue();
  arm();
}

void MainQueueDriver::arm() {
  const auto next = dispatch.nextDeadline();
  if (!next) {
    timer.stop();
    return;
  }
  const std::uint64_t now = clock->uptimeNanos();
  const std::uint64_t waitNanos = *next > now ? *next - now : 0;
  // Rounded up, so the timer never fires before the work is due.
  const std::uint64_t waitMillis = (waitNanos + 999'999) / 1'000'000;
  timer.start(
      static_cast<int>(std::min<std::uint64_t>(waitMillis, std::numeric_limits<int>::max())));
}

}  // namespace kestravane::linux_app
