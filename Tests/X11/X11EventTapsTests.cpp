// The X11 event taps on a real X server: which events a tap delivers, and as what, is decided by
// its mask, as on a Mac: clicks as mouse-down and mouse-up events with the Mac's button numbers,
// media keys as system-defined events, only where the mask asks for them.
#include <gtest/gtest.h>

#include <X11/XF86keysym.h>

#include <mutex>
#include <ostream>
#include <thread>
#include <vector>

#include "X11/X11Rig.h"

namespace kestravane::platform::x11 {
namespace {

using testing_support::waitUntil;

struct Seen {
  EventType type = 0;
  std::int64_t keyCode = 0;
  std::int64_t button = 0;
  bool operator==(const Seen&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Seen& seen) {
  return out << "{type " << seen.type << ", key " << seen.keyCode << ", button " << seen.button
             << "}";
}

// A tap of its own mask, served by a run loop on a thread of its own, that records what it sees.
class RecordingTap {
 public:
  RecordingTap(const Services& services, EventMask mask) : taps(*services.eventTaps) {
    tap = taps.tapCreate(TapLocation::session, TapPlacement::headInsert, TapOptions::listenOnly,
                         mask, &RecordingTap::record, this);
    if (!tap) return;
    taps.tapEnable(*tap, true);
    source = taps.createRunLoopSource(*tap);
    runLoops = services.runLoops;
    thread = std::thread([this, &services] {
      auto loop = services.runLoops->current();
      services.runLoops->addSource(*loop, source);
      {
        std::lock_guard lock(mutex);
        this->loop = loop;
      }
      services.runLoops->run();
    });
    waitUntil([&] {
      std::lock_guard lock(mutex);
      return loop != nullptr;
    });
  }
  ~RecordingTap() {
    if (!thread.joinable()) return;
    std::shared_ptr<RunLoop> running;
    {
      std::lock_guard lock(mutex);
      running = loop;
    }
    if (running) runLoops->stop(*running);
    thread.join();
  }
  RecordingTap(const RecordingTap&) = delete;
  RecordingTap& operator=(const RecordingTap&) = delete;

  bool made() const { return tap != nullptr; }
  std::vector<Seen> seen() const {
    std::lock_guard lock(mutex);
    return events;
  }

 private:
  static Event* record(EventType type, Event* event, void* userInfo) {
    auto& self = *static_cast<RecordingTap*>(userInfo);
    const Seen seen{type, self.taps.integerValueField(*event, kKeyboardEventKeycode),
                    self.taps.integerValueField(*event, kMouseEventButtonNumber)};
    std::lock_guard lock(self.mutex);
    self.events.push_back(seen);
    return event;
  }

  EventTaps& taps;
  std::shared_ptr<EventTap> tap;
  std::shared_ptr<RunLoopSource> source;
  std::shared_ptr<RunLoops> runLoops;
  std::thread thread;
  mutable std::mutex mutex;
  std::shared_ptr<RunLoop> loop;  // guarded by mutex
  std::vector<Seen> events;       // guarded by mutex
};

using EventTapsTest = testing_support::X11Test;

TEST_F(EventTapsTest, ClicksAndMediaKeysReachOnlyTheTapsWhoseMaskAsksForThem) {
  constexpr EventMask kMouse = eventMaskBit(kEventLeftMouseDown) | eventMaskBit(kEventLeftMouseUp) |
                               eventMaskBit(kEventRightMouseDown) |
                               eventMaskBit(kEventOtherMouseDown);
  constexpr EventMask kKeys = eventMaskBit(kEventKeyDown) | eventMaskBit(kEventKeyUp);
  RecordingTap mouseAndMedia(*services(), kMouse | eventMaskBit(kEventSystemDefined));
  RecordingTap keysOnly(*services(), kKeys);
  ASSERT_TRUE(mouseAndMedia.made());
  ASSERT_TRUE(keysOnly.made());
  const unsigned brightnessUp = probe->keycodeOf(XF86XK_MonBrightnessUp);
  ASSERT_NE(brightnessUp, 0u);

  for (const unsigned button : {1u, 3u, 2u, 4u, 7u, 8u, 9u}) keyboard->click(button);
  keyboard->tap(brightnessUp);
  keyboard->tap(testing_support::kKeyA);

  const std::vector<Seen> expectedMouseAndMedia{
      {kEventLeftMouseDown, 0, 0},  {kEventLeftMouseUp, 0, 0},   {kEventRightMouseDown, 0, 1},
      {kEventOtherMouseDown, 0, 2},  // the middle button; the wheel's 4 and 7 are scrolling
      {kEventOtherMouseDown, 0, 3},  // back
      {kEventOtherMouseDown, 0, 4},  // forward
      {kEventSystemDefined, 0, 0},  {kEventSystemDefined, 0, 0},
  };
  const std::vector<Seen> expectedKeys{{kEventKeyDown, 0, 0}, {kEventKeyUp, 0, 0}};
  EXPECT_TRUE(waitUntil([&] {
    return mouseAndMedia.seen().size() >= expectedMouseAndMedia.size() &&
           keysOnly.seen().size() >= expectedKeys.size();
  }));
  EXPECT_EQ(mouseAndMedia.seen(), expectedMouseAndMedia);
  EXPECT_EQ(keysOnly.seen(), expectedKeys) << "no click, no media key as a key-down";
}

}  // namespace
}  // namespace kestravane::platform::x11
