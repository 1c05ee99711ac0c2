#include "Kestravane/Linux/MainQueueDriver.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>
#include <mutex>
#include <stdexcept>

namespace kestravane::linux_app {

// What the wake handler reaches: the pipe's writing end while the driver lives, nothing after.
struct MainQueueDriver::Wake {
  std::mutex mutex;
  int writeEnd = -1;  // guarded by mutex
  int readEnd = -1;   // the main thread's
  // A wake is on its way and the pump has not started yet: further submissions need no other.
  std::atomic<bool> pending{false};

  void operator()() {
    if (pending.exchange(true)) return;
    std::lock_guard lock(mutex);
    const char byte = 1;
    // A full pipe already holds a wake; nothing is lost.
    if (writeEnd >= 0) {
      [[maybe_unused]] const auto written = write(writeEnd, &byte, 1);
    }
  }
};

MainQueueDriver::MainQueueDriver(platform::host::DispatchQueues& dispatch,
                                 std::shared_ptr<platform::Clock> clock)
    : dispatch(dispatch), clock(std::move(clock)), wake(std::make_shared<Wake>()) {
  int ends[2];
  if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
  wake->readEnd = ends[0];
  wake->writeEnd = ends[1];
  woken = std::make_unique<QSocketNotifier>(wake->readEnd, QSocketNotifier::Read);
  QObject::connect(woken.get(), &QSocketNotifier::activated, woken.get(), [this] {
    char bytes[64];
    while (read(wake->readEnd, bytes, sizeof bytes) > 0) {
    }
    pump();
  });
  timer.setSingleShot(true);
  // A coarse timer may fire up to 5 % early: the queue would find nothing due and arm again for
  // the last milliseconds, two wake-ups for one check. A precise one never fires early.
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, &timer, [this] { pump(); });
  dispatch.setWakeHandler([wake = wake] { (*wake)(); });
  // Work submitted before the loop starts (the controller's start-up) runs on its first turn.
  (*wake)();
}

MainQueueDriver::~MainQueueDriver() {
  dispatch.setWakeHandler(nullptr);
  woken.reset();
  std::lock_guard lock(wake->mutex);
  close(wake->writeEnd);
  close(wake->readEnd);
  wake->writeEnd = -1;
  wake->readEnd = -1;
}

void MainQueueDriver::pump() {
  ++pumps;
  // Marked for the run and cleared after it: what the run itself submits (a repeating timer's
  // next run, a block for later) would otherwise write a wake for a second, empty turn.
  // Whatever is submitted before the clearing is seen by arm() below; whatever comes after
  // sends a wake.
  wake->pending.store(true);
  dispatch.runDue();
  wake->pending.store(false);
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
