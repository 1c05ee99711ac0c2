// Faults the check against Apple's SDK must report, one per PLIVEX_FAULT_... macro; without one
// the file compiles, and its object needs nothing the linked frameworks do not export. Each is a
// mistake the check exists for, made against the SDK's own headers and the seam's.
#import <AppKit/AppKit.h>
#include <ApplicationServices/ApplicationServices.h>
#include <Carbon/Carbon.h>
#include <CoreFoundation/CoreFoundation.h>
#include <CoreGraphics/CoreGraphics.h>
#ifdef PLIVEX_FAULT_NOT_LINKED
#include <AudioToolbox/AudioToolbox.h>
#endif

#include <memory>

#include "Platform/Application.h"
#include "Platform/TextInputSources.h"

#ifdef PLIVEX_FAULT_MISSING_SYMBOL
// Declared by hand, as a transcription might, but exported by no framework.
extern "C" bool CGEventTapIsEnabledForProcess(CFMachPortRef tap);
#endif

// External functions, so that their objects keep every call (and the symbols it needs).
namespace sdk_check_faults {

void tapCalls(CFMachPortRef port, CFRunLoopRef loop, CFRunLoopSourceRef source) {
#ifdef PLIVEX_FAULT_ARGUMENT_COUNT
  CGEventTapEnable(port);
#else
  CGEventTapEnable(port, true);
#endif
#ifdef PLIVEX_FAULT_TYPO
  CFRunLoopRemoveSourc(loop, source, kCFRunLoopCommonModes);
#else
  CFRunLoopRemoveSource(loop, source, kCFRunLoopCommonModes);
#endif
#ifdef PLIVEX_FAULT_MISSING_SYMBOL
  if (CGEventTapIsEnabledForProcess(port)) CGEventTapEnable(port, false);
#endif
}

void propertyCalls(TISInputSourceRef inputSource) {
#ifdef PLIVEX_FAULT_TYPE_MISMATCH
  CFPreferencesAppSynchronize("com.apple.HIToolbox");
#endif
#ifdef PLIVEX_FAULT_CONSTANT_MIXUP
  // The seam's name of a key where the framework's constant belongs.
  TISGetInputSourceProperty(inputSource, kestravane::platform::kTISPropertyInputSourceID);
#else
  TISGetInputSourceProperty(inputSource, ::kTISPropertyInputSourceID);
#endif
}

void applicationCalls(NSURL* url) {
#ifdef PLIVEX_FAULT_SELECTOR
  [NSWorkspace.sharedWorkspace openURLs:url];
#else
  [NSWorkspace.sharedWorkspace openURL:url];
#endif
  // Typed, as the backend holds it: messages to the `__kindof` result of sharedApplication are
  // matched against every class's methods, which hides the availability of NSApplication's.
  NSApplication* application = NSApplication.sharedApplication;
#ifdef PLIVEX_FAULT_UNGUARDED_AVAILABILITY
  // macOS 14 API in a program that runs on 13.
  [application activate];
#else
  if (@available(macOS 14.0, *)) [application activate];
#endif
#ifdef PLIVEX_FAULT_NOT_LINKED
  // AudioToolbox is in the SDK, but the program does not link it.
  AudioServicesPlaySystemSound(kSystemSoundID_UserPreferredAlert);
#endif
}

// A backend class written against an older form of the seam.
class DriftedApplication : public kestravane::platform::Application {
 public:
  bool setActivationPolicy(kestravane::platform::ActivationPolicy) override { return true; }
#ifdef PLIVEX_FAULT_SEAM_DRIFT
  // The seam's activationPolicy() is not const; this one does not match it.
  kestravane::platform::ActivationPolicy activationPolicy() const override {
    return kestravane::platform::ActivationPolicy::accessory;
  }
#else
  kestravane::platform::ActivationPolicy activationPolicy() override {
    return kestravane::platform::ActivationPolicy::accessory;
  }
#endif
  void activate() override {}
#ifndef PLIVEX_FAULT_MISSING_OVERRIDE
  void terminate() override {}
#endif
};

std::shared_ptr<kestravane::platform::Application> assemble() {
  return std::make_shared<DriftedApplication>();
}

}  // namespace sdk_check_faults
