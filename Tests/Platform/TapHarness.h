// A tap on a thread of its own with its own run loop, set up through the seam the way the
// program sets up its taps; records what its callback saw and on which thread.
// Threads: start(), stop() and the accessors from the test's thread; the callback runs on the
// harness's own thread; the recorded events are guarded by a mutex.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Platform/EventTaps.h"
#include "Platform/RunLoops.h"
#include "Platform/Threads.h"
#include "Platform/Virtual/VirtualEvent.h"

namespace kestravane::platform::vmac::testing {

struct Seen {
  EventType type = 0;
  std::int64_t keyCode = 0;
  EventFlags flags = 0;
  std::thread::id thread;
};

class TapHarness {
 public:
  // Decides the callback's answer; by default the event passes.
  using Behaviour = std::function<Event*(EventType, Event*)>;

  TapHarness(EventTaps& taps, RunLoops& loops, Threads& threads, TapOptions options, EventMask mask,
             TapLocation location = TapLocation::session,
             TapPlacement placement = TapPlacement::headInsert)
      : taps(taps),
        loops(loops),
        threads(threads),
        options(options),
        mask(mask),
        location(location),
        placement(placement) {}

  ~TapHarness() { stop(); }

  void setBehaviour(Behaviour next) {
    std::lock_guard lock(mutex);
    behaviour = std::move(next);
  }

  // Creates the tap and its thread; returns once the thread's run loop holds the source.
  bool start(const std::string& threadName = "test.tap") { return create() && serve(threadName); }

  // The two halves of start(): the tap alone (as the system makes it, enabled), then the
  // thread that takes it up.
  bool create() {
    _tap = taps.tapCreate(location, placement, options, mask, &TapHarness::callback, this);
    return _tap != nullptr;
  }
  bool serve(const std::string& threadName = "test.tap") {
    thread = threads.create([this] {
      auto loop = loops.current();
      auto created = taps.createRunLoopSource(*_tap);
      loops.addSource(*loop, created);
      {
        std::lock_guard lock(mutex);
        _loop = loop;
        source = created;
        _loopThread = std::this_thread::get_id();
      }
      changed.notify_all();
      loops.run();
    });
    thread->setName(threadName);
    thread->start();
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(5), [&] { return _loop != nullptr; });
  }

  // Tears down in the program's order: disable, remove the source, stop the loop, invalidate.
  void stop() {
    if (!_tap) return;
    taps.tapEnable(*_tap, false);
    std::shared_ptr<RunLoop> loop;
    std::shared_ptr<RunLoopSource> added;
    {
      std::lock_guard lock(mutex);
      loop = _loop;
      added = source;
    }
    if (loop && added) loops.removeSource(*loop, *added);
    if (loop) loops.stop(*loop);
    taps.invalidate(*_tap);
    for (int i = 0; i < 500 && thread && !thread->isFinished(); ++i) {
      threads.sleepForTimeInterval(0.01);
    }
    std::lock_guard lock(mutex);
    _loop.reset();
    source.reset();
    _tap.reset();
    thread.reset();
  }

  EventTap& tap() { return *_tap; }
  std::shared_ptr<RunLoop> loop() {
    std::lock_guard lock(mutex);
    return _loop;
  }
  std::thread::id loopThread() {
    std::lock_guard lock(mutex);
    return _loopThread;
  }

  std::vector<Seen> seen() {
    std::lock_guard lock(mutex);
    return _seen;
  }
  std::vector<EventType> seenTypes() {
    std::vector<EventType> types;
    for (const auto& s : seen()) types.push_back(s.type);
    return types;
  }
  // Waits until the callback has run `count` times in all.
  bool waitForSeen(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return _seen.size() >= count; });
  }

 private:
  static Event* callback(EventType type, Event* event, void* userInfo) {
    auto* self = static_cast<TapHarness*>(userInfo);
    Behaviour behaviour;
    {
      std::lock_guard lock(self->mutex);
      self->_seen.push_back({type, self->taps.integerValueField(*event, kKeyboardEventKeycode),
                             self->taps.flags(*event), std::this_thread::get_id()});
      behaviour = self->behaviour;
    }
    self->changed.notify_all();
    return behaviour ? behaviour(type, event) : event;
  }

  EventTaps& taps;
  RunLoops& loops;
  Threads& threads;
  const TapOptions options;
  const EventMask mask;
  const TapLocation location;
  const TapPlacement placement;
  std::shared_ptr<EventTap> _tap;
  std::shared_ptr<Thread> thread;
  std::mutex mutex;
  std::condition_variable changed;
  std::shared_ptr<RunLoop> _loop;
  std::shared_ptr<RunLoopSource> source;
  std::thread::id _loopThread;
  std::vector<Seen> _seen;
  Behaviour behaviour;
};

}  // namespace kestravane::platform::vmac::testing
