// Shows what the system reports for the keys the user presses: a listen-only event tap (it never
// changes, swallows or delays an event) on a thread of its own ("kestravane.keytester") that
// reports every key-down and flags-changed event as a `Hit`.
// Threads: create(), start(), stop() and destruction on one thread (the main thread), one call
//   at a time; `onHit` runs on the tester's thread, never on the main thread.
// Ownership: only through create(), as a std::shared_ptr. A started tester is kept alive by its
//   thread until stop() ends it, so call stop() to end a test.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "KestravaneKit/TapThread.h"
#include "Platform/Services.h"

namespace kestravane {

class KeyTester final : public std::enable_shared_from_this<KeyTester> {
 public:
  // What one event reports.
  struct Hit {
    std::int64_t keyCode = 0;     // the keyboard key code
    bool isFlagsChanged = false;  // a flags-changed event; false for a key-down
    bool fnFlag = false;          // the secondary-fn flag (0x800000) is set
    std::uint64_t rawFlags = 0;   // the whole flag word

    bool operator==(const Hit&) const = default;
  };
  using OnHit = std::function<void(const Hit&)>;

  // Keeps the services it is given; starts nothing.
  static std::shared_ptr<KeyTester> create(std::shared_ptr<const platform::Services> services,
                                           OnHit onHit);
  ~KeyTester();
  KeyTester(const KeyTester&) = delete;
  KeyTester& operator=(const KeyTester&) = delete;

  // The process is trusted for Accessibility and may listen to keyboard events (Input
  // Monitoring, which the listen-only tap needs), so a start is not refused for a permission.
  bool canRun() const;
  // True when the tap was created and the thread launched; false when already started, without
  // Accessibility trust or Input Monitoring, when the system refuses the tap or the thread cannot
  // be launched (then nothing has changed: any tap made is invalidated).
  bool start();
  // Tears the tap and the thread down, waiting at most 300 ms for the thread; safe when idle.
  void stop();
  bool isStarted() const { return started; }

  const OnHit onHit;

 private:
  KeyTester(std::shared_ptr<const platform::Services> services, OnHit onHit);

  static platform::Event* tapCallback(platform::EventType type, platform::Event* event,
                                      void* userInfo);
  void threadBody(const std::weak_ptr<TapThread>& weakRun);

  const std::shared_ptr<const platform::Services> services;
  std::shared_ptr<TapThread> tapThread;  // the tap, its thread and their run loop while started
  bool started = false;
};

}  // namespace kestravane
