// A tap of the Wayland backend running as the engine runs one: made through EvdevEventTaps, its
// source served by a poll run loop on a thread of its own, and every event the callback receives
// recorded (the fields the engine reads, and the device's time).
// Threads: made, read and destroyed on the test's thread; the callback runs on the loop's.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Platform/LinuxDesktop/PollRunLoops.h"
#include "Platform/Wayland/EvdevEventTaps.h"
#include "Support/Waiting.h"

namespace kestravane::testing_support {

struct SeenEvent {
  platform::EventType type = 0;
  std::int64_t keyCode = 0;
  platform::EventFlags flags = 0;
  std::int64_t autorepeat = 0;
  std::int64_t button = 0;
  std::uint64_t timestampNanos = 0;
};

inline constexpr platform::EventMask kKeyEvents =
    platform::eventMaskBit(platform::kEventKeyDown) |
    platform::eventMaskBit(platform::kEventKeyUp) |
    platform::eventMaskBit(platform::kEventFlagsChanged) |
    platform::eventMaskBit(platform::kEventSystemDefined);
inline constexpr platform::EventMask kMouseEvents =
    platform::eventMaskBit(platform::kEventLeftMouseDown) |
    platform::eventMaskBit(platform::kEventLeftMouseUp) |
    platform::eventMaskBit(platform::kEventRightMouseDown) |
    platform::eventMaskBit(platform::kEventRightMouseUp) |
    platform::eventMaskBit(platform::kEventOtherMouseDown) |
    platform::eventMaskBit(platform::kEventOtherMouseUp);

class EvdevTapRig {
 public:
  explicit EvdevTapRig(platform::EventMask mask = kKeyEvents | kMouseEvents) {
    tap = taps.tapCreate(platform::TapLocation::session, platform::TapPlacement::headInsert,
                         platform::TapOptions::listenOnly, mask, &EvdevTapRig::callback, this);
  }
  ~EvdevTapRig() { stop(); }
  EvdevTapRig(const EvdevTapRig&) = delete;
  EvdevTapRig& operator=(const EvdevTapRig&) = delete;

  // Serves the tap on a thread of its own until stop().
  void start() {
    ASSERT_NE(tap, nullptr);
    std::promise<std::shared_ptr<platform::desktop::PollRunLoop>> started;
    auto future = started.get_future();
    thread = std::thread([this, &started] {
      auto own = platform::desktop::PollRunLoops::currentLoop();
      own->add(
          std::dynamic_pointer_cast<platform::desktop::PollSource>(taps.createRunLoopSource(*tap)));
      started.set_value(own);
      own->run();
    });
    loop = future.get();
  }
  void stop() {
    if (!thread.joinable()) return;
    loop->stop();
    thread.join();
  }

  std::vector<SeenEvent> events() const {
    std::lock_guard lock(mutex);
    return seen;
  }
  // Waits until `count` events have come.
  bool awaitEvents(std::size_t count) {
    return waitUntil([&] { return events().size() >= count; });
  }
  bool awaitDevices(std::size_t count) {
    return waitUntil([&] { return taps.openDevices(*tap) == count; });
  }

  platform::wayland::EvdevEventTaps taps;
  std::shared_ptr<platform::EventTap> tap;

 private:
  static platform::Event* callback(platform::EventType type, platform::Event* event,
                                   void* userInfo) {
    auto& rig = *static_cast<EvdevTapRig*>(userInfo);
    SeenEvent seenEvent{.type = type};
    if (event != nullptr) {
      seenEvent.keyCode = rig.taps.integerValueField(*event, platform::kKeyboardEventKeycode);
      seenEvent.flags = rig.taps.flags(*event);
      seenEvent.autorepeat = rig.taps.integerValueField(*event, 8);
      seenEvent.button = rig.taps.integerValueField(*event, platform::kMouseEventButtonNumber);
      seenEvent.timestampNanos = rig.taps.eventTimestampNanos(*event);
    }
    std::lock_guard lock(rig.mutex);
    rig.seen.push_back(seenEvent);
    return event;
  }

  mutable std::mutex mutex;
  std::vector<SeenEvent> seen;  // guarded by mutex
  std::thread thread;
  std::shared_ptr<platform::desktop::PollRunLoop> loop;
};

}  // namespace kestravane::testing_support
