#include "KestravaneKit/TapThread.h"

#include <utility>

namespace kestravane {
namespace {

constexpr int kMaxStopWaits = 30;  // 300 ms, counted in whole sleeps rather than summed seconds
constexpr double kStopWaitSeconds = 0.01;

}  // namespace

TapThread::TapThread(std::shared_ptr<const platform::Services> services,
                     std::shared_ptr<platform::EventTap> tap)
    : tap(std::move(tap)), services(std::move(services)) {
  // The system creates a tap enabled, and every event it selects then waits for it, stalling the
  // whole keyboard up to the tap timeout until a running loop serves it. attach() enables it once
  // its source is on this thread's loop.
  this->services->eventTaps->tapEnable(*this->tap, false);
}

void TapThread::launch(const std::string& name, std::optional<platform::QualityOfService> qos,
                       std::function<void()> body) {
  auto newThread = services->threads->create(std::move(body));
  newThread->setName(name);
  if (qos) newThread->setQualityOfService(*qos);
  newThread->start();
  // Only a started thread is waited for by stop().
  thread = std::move(newThread);
}

bool TapThread::attach(const std::function<void()>& whileAttached) {
  std::lock_guard lock(publishLock);
  if (stopRequested.load(std::memory_order_relaxed)) return false;
  auto source = services->eventTaps->createRunLoopSource(*tap);
  if (!source) return false;
  tapRunLoop = services->runLoops->current();
  runLoopSource = std::move(source);
  services->runLoops->addSource(*tapRunLoop, runLoopSource);
  services->eventTaps->tapEnable(*tap, true);
  if (whileAttached) whileAttached();
  return true;
}

void TapThread::run() {
  services->runLoops->run();
}

bool TapThread::stop() {
  std::shared_ptr<platform::RunLoop> loop;
  std::shared_ptr<platform::RunLoopSource> source;
  {
    std::lock_guard lock(publishLock);
    stopRequested.store(true, std::memory_order_release);
    loop = tapRunLoop;
    source = runLoopSource;
  }
  services->eventTaps->tapEnable(*tap, false);
  if (loop) {
    if (source) services->runLoops->removeSource(*loop, *source);
    // A stop that reaches the loop before its run() still makes that run() return at once.
    services->runLoops->stop(*loop);
  }
  services->eventTaps->invalidate(*tap);

  if (!thread) return true;
  for (int waits = 0; waits < kMaxStopWaits && !thread->isFinished(); ++waits) {
    services->threads->sleepForTimeInterval(kStopWaitSeconds);
  }
  return thread->isFinished();
}

}  // namespace kestravane
