// Stands for <IOKit/hidsystem/IOHIDParameter.h>: the selectors of the modifier lock calls.
#pragma once

// ---- IOKit/hidsystem/IOHIDParameter.h
enum {
  kIOHIDCapsLockState = 0x00000001,
  kIOHIDNumLockState = 0x00000002,
};
