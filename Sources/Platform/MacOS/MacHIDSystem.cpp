#include "Platform/MacOS/MacHIDSystem.h"

#include <IOKit/hidsystem/IOHIDLib.h>
#include <IOKit/hidsystem/IOHIDParameter.h>

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

MacHIDSystem::~MacHIDSystem() {
  if (connection != IO_OBJECT_NULL) IOServiceClose(connection);
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

}  // namespace kestravane::platform::macos
