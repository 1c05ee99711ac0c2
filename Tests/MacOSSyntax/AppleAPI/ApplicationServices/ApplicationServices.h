// Stands for <ApplicationServices/ApplicationServices.h>: the umbrella of CoreGraphics and
// HIServices; here, CoreGraphics and the Accessibility trust checks of HIServices.
#pragma once

#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CoreGraphics.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- HIServices/AXUIElement.h
Boolean AXIsProcessTrusted(void);
Boolean AXIsProcessTrustedWithOptions(CFDictionaryRef options);  // macOS 10.9
extern CFStringRef kAXTrustedCheckOptionPrompt;                  // macOS 10.9

#ifdef __cplusplus
}
#endif
