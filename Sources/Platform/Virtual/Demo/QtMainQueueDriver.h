// Runs the virtual Mac's main queue inside Qt's event loop, so that the GUI thread is the main
// thread of the program on the virtual Mac: a block submitted from any thread wakes the loop with
// a queued call, and a single-shot timer is armed for the earliest delayed block. Nothing runs
// while nothing is due: no polling when idle.
// Threads: made, used and destroyed on the GUI thread (with the application object alive); the
//   wake handler it installs runs on whichever thread submits work.
// Ownership: the dispatch and the clock must outlive the driver; destroying the driver removes the
//   wake handler (a wake under way at that moment finds the driver gone and does nothing).
#pragma once

#include <QObject>
#include <QTimer>

#include "Platform/Clock.h"
#include "Platform/Virtual/Demo/GuiThreadQueue.h"
#include "Platform/Virtual/VirtualDispatch.h"

namespace kestravane::platform::vmac::demo {

class QtMainQueueDriver final : public QObject {
  Q_OBJECT
 public:
  QtMainQueueDriver(VirtualDispatch& dispatch, const Clock& clock, QObject* parent = nullptr);
  ~QtMainQueueDriver() override;

  // Runs what is due now and arms the timer for what comes next; the number of blocks run.
  std::size_t runDue();
  // Whether the timer is armed, and for how many milliseconds (for tests).
  bool timerArmed() const { return timer.isActive(); }
  int timerIntervalMs() const { return timer.interval(); }

 private:
  void armTimer();

  VirtualDispatch& dispatch;
  const Clock& clock;
  QTimer timer;
  GuiThreadQueue wakes;
};

}  // namespace kestravane::platform::vmac::demo
