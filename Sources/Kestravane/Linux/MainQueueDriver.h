// Runs the virtual Mac's main queue inside Qt's event loop, so that the main queue is the Qt
// thread's, as the main dispatch queue is AppKit's main thread on a Mac. Work submitted from any
// thread wakes the loop through one byte on a pipe that the loop watches (no data travels that
// way: the work itself is handed over inside the virtual dispatch, under its lock); work due
// later arms one single-shot precise timer for the earliest deadline, so each deadline costs one
// wake-up. Nothing runs, and nothing polls, while nothing is due.
// Threads: built, driven and destroyed on the Qt main thread, which becomes the virtual Mac's
//   main thread; the wake handler it installs may run on any thread, also after destruction,
//   when it does nothing.
#pragma once

#include <QSocketNotifier>
#include <QTimer>
#include <cstddef>
#include <memory>

#include "Platform/Clock.h"
#include "Platform/Host/DispatchQueues.h"

namespace kestravane::linux_app {

class MainQueueDriver final {
 public:
  MainQueueDriver(platform::host::DispatchQueues& dispatch, std::shared_ptr<platform::Clock> clock);
  ~MainQueueDriver();
  MainQueueDriver(const MainQueueDriver&) = delete;
  MainQueueDriver& operator=(const MainQueueDriver&) = delete;

  // Runs what is due now and arms the timer for what comes next.
  void pump();
  // Whether the timer is armed for work due later.
  bool isWaitingForDeadline() const { return timer.isActive(); }
  // How many times the loop woke the queue (a submission or the timer), since construction.
  std::size_t wakeUps() const { return pumps; }

  struct Wake;

 private:
  void arm();

  platform::host::DispatchQueues& dispatch;
  const std::shared_ptr<platform::Clock> clock;
  const std::shared_ptr<Wake> wake;
  QTimer timer;
  std::unique_ptr<QSocketNotifier> woken;
  std::size_t pumps = 0;
};

}  // namespace kestravane::linux_app
