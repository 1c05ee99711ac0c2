#include "Platform/LinuxDesktop/PollRunLoops.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <system_error>

namespace kestravane::platform::desktop {

PollRunLoop::PollRunLoop() : wakeDescriptor(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (wakeDescriptor < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

PollRunLoop::~PollRunLoop() {
  ::close(wakeDescriptor);
}

void PollRunLoop::wake() const {
  const std::uint64_t one = 1;
  // A full counter already means "wake up"; nothing else can fail here.
  [[maybe_unused]] const auto written = ::write(wakeDescriptor, &one, sizeof one);
}

void PollRunLoop::add(const std::shared_ptr<PollSource>& source) {
  std::lock_guard lock(mutex);
  if (std::ranges::find(sources, source) != sources.end()) return;
  sources.push_back(source);
  ++generation;
  wake();
}

void PollRunLoop::remove(const RunLoopSource& source) {
  std::lock_guard lock(mutex);
  const auto removed =
      std::erase_if(sources, [&](const auto& held) { return held.get() == &source; });
  if (removed == 0) return;
  ++generation;
  wake();
}

void PollRunLoop::stop() {
  std::lock_guard lock(mutex);
  stopRequested = true;
  wake();
}

bool PollRunLoop::isRunning() const {
  std::lock_guard lock(mutex);
  return running;
}

void PollRunLoop::run() {
  {
    std::lock_guard lock(mutex);
    // As CFRunLoopRunSpecific: an empty loop returns before the stop flag is looked at.
    if (sources.empty()) return;
    if (stopRequested) {
      stopRequested = false;
      return;
    }
    running = true;
  }
  // Rebuilt only when the sources change, so waiting and dispatching allocate nothing.
  std::vector<std::shared_ptr<PollSource>> active;
  std::vector<pollfd> descriptors;
  std::uint64_t seenGeneration = 0;
  bool first = true;
  for (;;) {
    bool changed = false;
    {
      std::lock_guard lock(mutex);
      if (stopRequested) {
        stopRequested = false;
        break;
      }
      if (sources.empty()) break;
      if (first || generation != seenGeneration) {
        changed = true;
        seenGeneration = generation;
        active = sources;
      }
    }
    first = false;
    if (changed) {
      descriptors.assign(1, pollfd{wakeDescriptor, POLLIN, 0});
      for (const auto& source : active) descriptors.push_back({source->descriptor(), POLLIN, 0});
      // Work may have arrived before the source was in this loop.
      for (const auto& source : active) source->perform();
      continue;
    }
    if (::poll(descriptors.data(), descriptors.size(), -1) < 0) continue;  // EINTR
    if (descriptors[0].revents != 0) {
      std::uint64_t count = 0;
      [[maybe_unused]] const auto read = ::read(wakeDescriptor, &count, sizeof count);
    }
    for (std::size_t i = 1; i < descriptors.size(); ++i) {
      if (descriptors[i].revents != 0) active[i - 1]->perform();
    }
  }
  active.clear();
  std::lock_guard lock(mutex);
  running = false;
}

std::shared_ptr<PollRunLoop> PollRunLoops::currentLoop() {
  // One loop per thread, as CFRunLoopGetCurrent gives; it lives as long as the thread or its
  // last holder.
  thread_local const auto loop = std::make_shared<PollRunLoop>();
  return loop;
}

std::shared_ptr<RunLoop> PollRunLoops::current() {
  return currentLoop();
}

void PollRunLoops::addSource(RunLoop& loop, const std::shared_ptr<RunLoopSource>& source) {
  auto* pollLoop = dynamic_cast<PollRunLoop*>(&loop);
  auto pollSource = std::dynamic_pointer_cast<PollSource>(source);
  if (pollLoop && pollSource) pollLoop->add(pollSource);
}

void PollRunLoops::removeSource(RunLoop& loop, RunLoopSource& source) {
  if (auto* pollLoop = dynamic_cast<PollRunLoop*>(&loop)) pollLoop->remove(source);
}

void PollRunLoops::run() {
  currentLoop()->run();
}

void PollRunLoops::stop(RunLoop& loop) {
  if (auto* pollLoop = dynamic_cast<PollRunLoop*>(&loop)) pollLoop->stop();
}

}  // namespace kestravane::platform::desktop
