// Tells the program on the main thread that keyboards were attached. The HID event system's own
// device-matching callback (IOHIDEventSystemClientRegisterDeviceMatchingCallback) is exported by
// IOKit but declared in no public header, so this watches the public IOKit registry instead:
// first-match notifications of IOHIDEventService, on the main run loop. The event system adds a
// service shortly after IOKit registers it, so a new service counts once the event system lists
// it (asked again every 100 ms, for at most 3 s); the observer runs once for each such batch that
// brings at least one keyboard. Services present when watching starts are not reported.
// Threads: main thread only: made, used and destroyed there; notifications and checks run there.
// Ownership: owned by one shared_ptr; the notification port is the object's and is destroyed with
//   it, and delayed checks hold it weakly, so nothing reaches a watcher that is gone.
#pragma once

#include <IOKit/IOKitLib.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "Platform/MacOS/MacHIDEventSystemClient.h"

namespace kestravane::platform::macos {

class MacKeyboardsWatcher final : public std::enable_shared_from_this<MacKeyboardsWatcher> {
 public:
  // A watcher that calls `observer`, or null when IOKit refused the notification.
  static std::shared_ptr<MacKeyboardsWatcher> start(
      std::shared_ptr<MacHIDEventSystemClient> eventSystem, std::function<void()> observer);

  MacKeyboardsWatcher(std::shared_ptr<MacHIDEventSystemClient> eventSystem,
                      std::function<void()> observer);
  ~MacKeyboardsWatcher();
  MacKeyboardsWatcher(const MacKeyboardsWatcher&) = delete;
  MacKeyboardsWatcher& operator=(const MacKeyboardsWatcher&) = delete;

  void setObserver(std::function<void()> observer) { this->observer = std::move(observer); }

 private:
  static constexpr double kCheckIntervalSeconds = 0.1;
  static constexpr int kChecks = 30;

  static void servicesMatched(void* refCon, io_iterator_t iterator);
  // Takes every service the iterator holds (which also re-arms the notification); with `report`,
  // their registry ids wait for the event system to list them.
  void drain(bool report);
  void checkLater();
  void check();

  const std::shared_ptr<MacHIDEventSystemClient> eventSystem;
  std::function<void()> observer;
  IONotificationPortRef port = nullptr;
  io_iterator_t matched = IO_OBJECT_NULL;
  std::vector<std::uint64_t> waiting;  // registered in IOKit, not yet listed by the event system
  int checksLeft = 0;
  bool checkPending = false;
};

}  // namespace kestravane::platform::macos
