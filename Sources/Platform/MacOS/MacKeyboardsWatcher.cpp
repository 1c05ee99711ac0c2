#include "Platform/MacOS/MacKeyboardsWatcher.h"

#include <CoreFoundation/CoreFoundation.h>
#include <dispatch/dispatch.h>

#include <algorithm>
#include <utility>

namespace kestravane::platform::macos {

std::shared_ptr<MacKeyboardsWatcher> MacKeyboardsWatcher::start(
    std::shared_ptr<MacHIDEventSystemClient> eventSystem, std::function<void()> observer) {
  auto watcher = std::make_shared<MacKeyboardsWatcher>(std::move(eventSystem), std::move(observer));
  watcher->port = IONotificationPortCreate(kIOMainPortDefault);
  if (watcher->port == nullptr) return nullptr;
  CFRunLoopAddSource(CFRunLoopGetMain(), IONotificationPortGetRunLoopSource(watcher->port),
                     kCFRunLoopCommonModes);
  // The matching dictionary's reference is consumed by IOServiceAddMatchingNotification.
  const kern_return_t result = IOServiceAddMatchingNotification(
      watcher->port, kIOFirstMatchNotification, IOServiceMatching("IOHIDEventService"),
      &MacKeyboardsWatcher::servicesMatched, watcher.get(), &watcher->matched);
  if (result != KERN_SUCCESS) return nullptr;
  // The services already there arm the notification; they were not attached later.
  watcher->drain(false);
  return watcher;
}

MacKeyboardsWatcher::MacKeyboardsWatcher(std::shared_ptr<MacHIDEventSystemClient> eventSystem,
                                         std::function<void()> observer)
    : eventSystem(std::move(eventSystem)), observer(std::move(observer)) {}

MacKeyboardsWatcher::~MacKeyboardsWatcher() {
  if (matched != IO_OBJECT_NULL) IOObjectRelease(matched);
  // Removes the port's source from the main run loop: no notification reaches this object after.
  if (port != nullptr) IONotificationPortDestroy(port);
}

void MacKeyboardsWatcher::servicesMatched(void* refCon, io_iterator_t) {
  static_cast<MacKeyboardsWatcher*>(refCon)->drain(true);
}

void MacKeyboardsWatcher::drain(bool report) {
  while (const io_object_t service = IOIteratorNext(matched)) {
    std::uint64_t id = 0;
    if (report && IORegistryEntryGetRegistryEntryID(service, &id) == KERN_SUCCESS) {
      waiting.push_back(id);
    }
    IOObjectRelease(service);
  }
  if (report && !waiting.empty()) {
    checksLeft = kChecks;
    checkLater();
  }
}

void MacKeyboardsWatcher::checkLater() {
  if (checkPending) return;
  checkPending = true;
  // The context is a weak reference of its own, deleted by the callback.
  auto* context = new std::weak_ptr<MacKeyboardsWatcher>(weak_from_this());
  dispatch_after_f(dispatch_time(DISPATCH_TIME_NOW,
                                 static_cast<std::int64_t>(kCheckIntervalSeconds * NSEC_PER_SEC)),
                   dispatch_get_main_queue(), context, [](void* raw) {
                     const std::unique_ptr<std::weak_ptr<MacKeyboardsWatcher>> weak(
                         static_cast<std::weak_ptr<MacKeyboardsWatcher>*>(raw));
                     if (const auto watcher = weak->lock()) {
                       watcher->checkPending = false;
                       watcher->check();
                     }
                   });
}

void MacKeyboardsWatcher::check() {
  const auto found = eventSystem->listed(waiting);
  std::erase_if(waiting, [&](std::uint64_t id) {
    return std::find(found.registryIds.begin(), found.registryIds.end(), id) !=
           found.registryIds.end();
  });
  --checksLeft;
  if (checksLeft <= 0) waiting.clear();  // never listed: not a service of the event system
  if (!waiting.empty()) checkLater();
  if (found.anyKeyboard && observer) {
    // A copy: the observer may replace itself, or drop this watcher, while it runs.
    const auto keep = shared_from_this();
    const auto call = observer;
    call();
  }
}

}  // namespace kestravane::platform::macos
