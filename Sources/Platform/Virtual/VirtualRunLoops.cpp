#include "Platform/Virtual/VirtualRunLoops.h"

#include <algorithm>
#include <utility>

namespace kestravane::platform::vmac {
namespace {

// The loops of the current thread, one per VirtualRunLoops component; when the thread ends its
// loops are marked gone (a loop may outlive its thread when someone still holds it).
struct ThreadLoops {
  std::vector<std::pair<std::weak_ptr<int>, std::shared_ptr<VirtualRunLoop>>> loops;
  ~ThreadLoops() {
    for (auto& entry : loops) entry.second->markThreadEnded();
  }
};

thread_local ThreadLoops threadLoops;

}  // namespace

void VirtualRunLoopSource::signal() {
  std::shared_ptr<VirtualRunLoop> holder = loop();
  if (holder) holder->wake(shared_from_this());
}

std::shared_ptr<VirtualRunLoop> VirtualRunLoopSource::loop() const {
  std::lock_guard lock(mutex);
  return _loop.lock();
}

bool VirtualRunLoop::isRunning() const {
  std::lock_guard lock(mutex);
  return running;
}

bool VirtualRunLoop::threadHasEnded() const {
  std::lock_guard lock(mutex);
  return threadEnded;
}

std::size_t VirtualRunLoop::sourceCount() const {
  std::lock_guard lock(mutex);
  return sources.size();
}

bool VirtualRunLoop::holds(const VirtualRunLoopSource* source) const {
  return std::any_of(sources.begin(), sources.end(),
                     [&](const auto& held) { return held.get() == source; });
}

void VirtualRunLoop::add(const std::shared_ptr<VirtualRunLoopSource>& source) {
  std::shared_ptr<VirtualRunLoop> previous;
  {
    std::lock_guard lock(source->mutex);
    previous = source->_loop.lock();
    source->_loop = weak_from_this();
  }
  if (previous && previous.get() != this) previous->remove(*source);
  {
    std::lock_guard lock(mutex);
    if (!holds(source.get())) sources.push_back(source);
  }
  if (source->hasWork()) wake(source);
}

void VirtualRunLoop::remove(VirtualRunLoopSource& source) {
  {
    std::lock_guard lock(source.mutex);
    if (source._loop.lock().get() == this) source._loop.reset();
  }
  std::lock_guard lock(mutex);
  std::erase_if(sources, [&](const auto& held) { return held.get() == &source; });
  std::erase_if(signalled, [&](const auto& held) { return held.get() == &source; });
  changed.notify_all();
}

void VirtualRunLoop::stop() {
  std::lock_guard lock(mutex);
  stopRequested = true;
  changed.notify_all();
}

void VirtualRunLoop::wake(const std::shared_ptr<VirtualRunLoopSource>& source) {
  std::lock_guard lock(mutex);
  if (!holds(source.get())) return;
  if (std::find(signalled.begin(), signalled.end(), source) == signalled.end()) {
    signalled.push_back(source);
  }
  changed.notify_all();
}

void VirtualRunLoop::markThreadEnded() {
  std::lock_guard lock(mutex);
  threadEnded = true;
  changed.notify_all();
}

void VirtualRunLoop::run() {
  std::unique_lock lock(mutex);
  // CFRunLoopRunSpecific checks for an empty loop before the stop flag, so a remembered stop
  // survives a run() that found no source.
  if (sources.empty()) return;
  if (stopRequested) {
    stopRequested = false;
    return;
  }
  running = true;
  for (;;) {
    changed.wait(lock, [&] { return stopRequested || sources.empty() || !signalled.empty(); });
    if (stopRequested) {
      stopRequested = false;
      break;
    }
    if (sources.empty()) break;
    std::shared_ptr<VirtualRunLoopSource> source = std::move(signalled.front());
    signalled.pop_front();
    lock.unlock();
    const bool more = source->perform();
    lock.lock();
    // More work goes to the back, so one busy source does not starve the others.
    if (more && holds(source.get()) &&
        std::find(signalled.begin(), signalled.end(), source) == signalled.end()) {
      signalled.push_back(std::move(source));
    }
  }
  running = false;
  changed.notify_all();
}

VirtualRunLoops::VirtualRunLoops() : identity(std::make_shared<int>(0)) {}

std::shared_ptr<VirtualRunLoop> VirtualRunLoops::currentLoop() {
  auto& loops = threadLoops.loops;
  std::erase_if(loops, [](const auto& entry) { return entry.first.expired(); });
  for (const auto& [owner, loop] : loops) {
    if (owner.lock() == identity) return loop;
  }
  auto loop = std::make_shared<VirtualRunLoop>();
  loops.emplace_back(identity, loop);
  return loop;
}

std::shared_ptr<RunLoop> VirtualRunLoops::current() {
  return currentLoop();
}

void VirtualRunLoops::addSource(RunLoop& loop, const std::shared_ptr<RunLoopSource>& source) {
  auto* virtualLoop = dynamic_cast<VirtualRunLoop*>(&loop);
  auto virtualSource = std::dynamic_pointer_cast<VirtualRunLoopSource>(source);
  if (virtualLoop && virtualSource) virtualLoop->add(virtualSource);
}

void VirtualRunLoops::removeSource(RunLoop& loop, RunLoopSource& source) {
  auto* virtualLoop = dynamic_cast<VirtualRunLoop*>(&loop);
  auto* virtualSource = dynamic_cast<VirtualRunLoopSource*>(&source);
  if (virtualLoop && virtualSource) virtualLoop->remove(*virtualSource);
}

void VirtualRunLoops::run() {
  currentLoop()->run();
}

void VirtualRunLoops::stop(RunLoop& loop) {
  if (auto* virtualLoop = dynamic_cast<VirtualRunLoop*>(&loop)) virtualLoop->stop();
}

}  // namespace kestravane::platform::vmac
