#include "Platform/MacOS/MacHIDSystem.h"

#include <IOKit/hidsystem/IOHIDLib.h>
#include <IOKit/hidsystem/IOHIDParameter.h>
#include <dispatch/dispatch.h>
#include <pthread.h>

#include <utility>

namespace kestravane::platform::macos {
namespace {

int selectorOf(ModifierLock lock) {
  switch (lock) {
    case ModifierLock::capsLock:
      break;
  }
  return kIOHIDCapsLockState;
}

}  // namespace

MacHIDSystem::MacHIDSystem() : eventSystem(std::make_shared<MacHIDEventSystemClient>()) {}

MacHIDSystem::~MacHIDSystem() {
  if (connection != IO_OBJECT_NULL) IOServiceClose(connection);
  if (watcher && pthread_main_np() == 0) {
    // Its notification port belongs to the main run loop: it is destroyed there.
    dispatch_async_f(
        dispatch_get_main_queue(), new std::shared_ptr<MacKeyboardsWatcher>(std::move(watcher)),
        [](void* raw) { delete static_cast<std::shared_ptr<MacKeyboardsWatcher>*>(raw); });
  }
}

io_connect_t MacHIDSystem::connectionLocked() {
  if (connection != IO_OBJECT_NULL) return connection;
  // The matching dictionary's reference is consumed by IOServiceGetMatchingService.
  const io_service_t service =
      IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching(kIOHIDSystemClass));
  if (service == IO_OBJECT_NULL) return IO_OBJECT_NULL;
  io_connect_t opened = IO_OBJECT_NULL;
  const kern_return_t result =
      IOServiceOpen(service, mach_task_self(), kIOHIDParamConnectType, &opened);
  IOObjectRelease(service);
  if (result != KERN_SUCCESS) return IO_OBJECT_NULL;
  connection = opened;
  return connection;
}

std::optional<bool> MacHIDSystem::modifierLockState(ModifierLock lock) {
  std::lock_guard guard(mutex);
  const io_connect_t handle = connectionLocked();
  if (handle == IO_OBJECT_NULL) return std::nullopt;
  bool state = false;
  if (IOHIDGetModifierLockState(handle, selectorOf(lock), &state) != KERN_SUCCESS) {
    return std::nullopt;
  }
  return state;
}

bool MacHIDSystem::setModifierLockState(ModifierLock lock, bool on) {
  std::lock_guard guard(mutex);
  const io_connect_t handle = connectionLocked();
  return handle != IO_OBJECT_NULL &&
         IOHIDSetModifierLockState(handle, selectorOf(lock), on) == KERN_SUCCESS;
}

std::vector<KeyboardService> MacHIDSystem::keyboardServices() {
  return eventSystem->keyboardServices();
}

bool MacHIDSystem::setCapsLockDelayOverride(std::uint64_t registryId,
                                            std::optional<std::int64_t> milliseconds) {
  return eventSystem->setCapsLockDelayOverride(registryId, milliseconds);
}

void MacHIDSystem::setKeyboardsAttachedObserver(std::function<void()> observer) {
  if (!observer) {
    watcher.reset();
  } else if (watcher) {
    watcher->setObserver(std::move(observer));
  } else {
    watcher = MacKeyboardsWatcher::start(eventSystem, std::move(observer));
  }
}

}  // namespace kestravane::platform::macos
