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
      : taps_(taps),
        loops_(loops),
        threads_(threads),
        options_(options),
        mask_(mask),
        location_(location),
        placement_(placement) {}

  ~TapHarness() { stop(); }

  void setBehaviour(Behaviour behaviour) {
    std::lock_guard lock(mutex_);
    behaviour_ = std::move(behaviour);
  }

  // Creates the tap and its thread; returns once the thread's run loop holds the source.
  bool start(const std::string& threadName = "test.tap") {
    tap_ = taps_.tapCreate(location_, placement_, options_, mask_, &TapHarness::callback, this);
    if (!tap_) return false;
    thread_ = threads_.create([this] {
      auto loop = loops_.current();
      auto source = taps_.createRunLoopSource(*tap_);
      loops_.addSource(*loop, source);
      {
        std::lock_guard lock(mutex_);
        loop_ = loop;
        source_ = source;
        loopThread_ = std::this_thread::get_id();
      }
      changed_.notify_all();
      loops_.run();
    });
    thread_->setName(threadName);
    thread_->start();
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return loop_ != nullptr; });
  }

  // Tears down in the program's order: disable, remove the source, stop the loop, invalidate.
  void stop() {
    if (!tap_) return;
    taps_.tapEnable(*tap_, false);
    std::shared_ptr<RunLoop> loop;
    std::shared_ptr<RunLoopSource> source;
    {
      std::lock_guard lock(mutex_);
      loop = loop_;
      source = source_;
    }
    if (loop && source) loops_.removeSource(*loop, *source);
    if (loop) loops_.stop(*loop);
    taps_.invalidate(*tap_);
    for (int i = 0; i < 500 && thread_ && !thread_->isFinished(); ++i) {
      threads_.sleepForTimeInterval(0.01);
    }
    std::lock_guard lock(mutex_);
    loop_.reset();
    source_.reset();
    tap_.reset();
    thread_.reset();
  }

  EventTap& tap() { return *tap_; }
  std::shared_ptr<RunLoop> loop() {
    std::lock_guard lock(mutex_);
    return loop_;
  }
  std::thread::id loopThread() {
    std::lock_guard lock(mutex_);
    return loopThread_;
  }

  std::vector<Seen> seen() {
    std::lock_guard lock(mutex_);
    return seen_;
  }
  std::vector<EventType> seenTypes() {
    std::vector<EventType> types;
    for (const auto& s : seen()) types.push_back(s.type);
    return types;
  }
  // Waits until the callback has run `count` times in all.
  bool waitForSeen(std::size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return seen_.size() >= count; });
  }

 private:
  static Event* callback(EventType type, Event* event, void* userInfo) {
    auto* self = static_cast<TapHarness*>(userInfo);
    Behaviour behaviour;
    {
      std::lock_guard lock(self->mutex_);
      self->seen_.push_back({type, self->taps_.integerValueField(*event, kKeyboardEventKeycode),
                             self->taps_.flags(*event), std::this_thread::get_id()});
      behaviour = self->behaviour_;
    }
    self->changed_.notify_all();
    return behaviour ? behaviour(type, event) : event;
  }

  EventTaps& taps_;
  RunLoops& loops_;
  Threads& threads_;
  const TapOptions options_;
  const EventMask mask_;
  const TapLocation location_;
  const TapPlacement placement_;
  std::shared_ptr<EventTap> tap_;
  std::shared_ptr<Thread> thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::shared_ptr<RunLoop> loop_;
  std::shared_ptr<RunLoopSource> source_;
  std::thread::id loopThread_;
  std::vector<Seen> seen_;
  Behaviour behaviour_;
};

}  // namespace kestravane::platform::vmac::testing
