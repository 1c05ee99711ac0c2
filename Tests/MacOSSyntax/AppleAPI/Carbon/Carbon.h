// Stands for <Carbon/Carbon.h>: the parts of HIToolbox (Text Input Sources, secure event input)
// and CarbonCore the backend calls, grouped by the framework header that declares them.
#pragma once

#include <ApplicationServices/ApplicationServices.h>
#include <CoreFoundation/CoreFoundation.h>
#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- CarbonCore/MacErrors.h
enum {
  noErr = 0,
  paramErr = -50,
};

// ---- HIToolbox/CarbonEvents.h
Boolean IsSecureEventInputEnabled(void);

// ---- HIToolbox/TextInputSources.h
typedef struct __TISInputSource* TISInputSourceRef;
CFTypeID TISInputSourceGetTypeID(void);
extern const CFStringRef kTISPropertyInputSourceCategory;
extern const CFStringRef kTISPropertyInputSourceType;
extern const CFStringRef kTISPropertyInputSourceIsASCIICapable;
extern const CFStringRef kTISPropertyInputSourceIsEnableCapable;
extern const CFStringRef kTISPropertyInputSourceIsSelectCapable;
extern const CFStringRef kTISPropertyInputSourceIsEnabled;
extern const CFStringRef kTISPropertyInputSourceIsSelected;
extern const CFStringRef kTISPropertyInputSourceID;
extern const CFStringRef kTISPropertyBundleID;
extern const CFStringRef kTISPropertyInputModeID;
extern const CFStringRef kTISPropertyLocalizedName;
extern const CFStringRef kTISCategoryKeyboardInputSource;
extern const CFStringRef kTISTypeKeyboardLayout;
extern const CFStringRef kTISTypeKeyboardInputMethodWithoutModes;
extern const CFStringRef kTISTypeKeyboardInputMethodModeEnabled;
extern const CFStringRef kTISTypeKeyboardInputMode;
void* TISGetInputSourceProperty(TISInputSourceRef inputSource, CFStringRef propertyKey);
CFArrayRef TISCreateInputSourceList(CFDictionaryRef properties, Boolean includeAllInstalled);
TISInputSourceRef TISCopyCurrentKeyboardInputSource(void);
OSStatus TISSelectInputSource(TISInputSourceRef inputSource);

#ifdef __cplusplus
}
#endif
