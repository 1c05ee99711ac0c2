// Stands for <IOKit/hidsystem/IOHIDLib.h>, with what it brings in from IOHIDShared.h: the HID
// system's service class, its parameter connection type and the modifier lock calls.
#pragma once

#include <IOKit/IOKitLib.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- IOKit/hidsystem/IOHIDShared.h
#define kIOHIDSystemClass "IOHIDSystem"
enum {
  kIOHIDServerConnectType = 0,
  kIOHIDParamConnectType = 1,
  kIOHIDEventSystemConnectType = 3,
};

// ---- IOKit/hidsystem/IOHIDLib.h
extern kern_return_t IOHIDGetModifierLockState(io_connect_t handle, int selector, bool* state);
extern kern_return_t IOHIDSetModifierLockState(io_connect_t handle, int selector, bool state);

#ifdef __cplusplus
}
#endif
